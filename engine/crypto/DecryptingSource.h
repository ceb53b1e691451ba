// The stage between the archive and the decoder for an encrypted entry: an
// input source over the archive stream that takes the encryption header in
// front of the data, checks a password against it, and then hands the
// decoder plain bytes, so every method reads encrypted entries unchanged.
// It delivers exactly the entry's encrypted data (a read never runs past
// it); behind it, it takes the AES code and then passes the archive's bytes
// through unchanged, so a data descriptor reads as it would without
// encryption. Secrets and keys die with the object.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/EngineState.h"
#include "engine/crypto/Secret.h"
#include "engine/crypto/WinZipAes.h"
#include "engine/crypto/ZipCrypto.h"

namespace valbrix {

enum TEncryption : uint8_t {
    enZipCrypto,  // the traditional cipher, flag bit 0 with any method
    enAes,        // method 99 with its AES field
};

class TDecryptingSource : public TInputSource {
public:
    // `strength` matters for AES only (1, 2, 3). The archive stands at the
    // entry's data and outlives this source.
    TDecryptingSource(TInputSource& archive, TEncryption encryption, uint8_t strength);
    ~TDecryptingSource() override;

    // Reads the encryption header. storedBytes is the entry's compressed
    // size (UnknownSize: not known); on erOk it holds the bytes of encrypted
    // data behind the header. erFormat when the entry is too short to hold
    // the header (and the AES code), or AES data of unknown size; erRead
    // when the archive ends first; erEncryptionUnsupported for a key
    // strength that does not exist.
    int ReadHeader(uint64_t& storedBytes);
    // Checks a password against the header; may be called again with
    // another. checkByte is the traditional cipher's (unused for AES).
    // erOk, erWrongPassword, or erEncryptionUnsupported (library failure).
    int TryPassword(const TSecret& password, uint8_t checkByte);

    long Read(uint8_t* buffer, size_t count) override;
    // After the decoder: authenticates what it left unread and compares the
    // AES code. erOk, erWrongPassword (the code differs: a wrong password
    // or changed data), or erRead (the archive ended first).
    int Finish();

private:
    bool ReadFully(uint8_t* buffer, size_t count);
    int CheckCode();

    TInputSource& FArchive;
    TEncryption FEncryption;
    uint8_t FStrength;
    uint8_t FHeader[AesMaxSaltBytes + AesVerifierBytes] = {};  // as read, still encrypted
    static_assert(sizeof FHeader >= ZipCryptoHeaderBytes);
    uint64_t FDataLeft = 0;   // encrypted bytes not yet delivered
    std::unique_ptr<TZipCryptoKeys> FZipCrypto;
    std::unique_ptr<TWinZipAes> FAes;
    int FCodeResult = -1;     // the AES code's verdict once read; -1: not read yet
};

}  // namespace valbrix
