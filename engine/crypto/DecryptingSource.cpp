// The decryption stage; see the header. A short read from the archive is
// passed on as short: the decoders already treat the end of their input
// themselves, and the stored copy reads until it has all it asked for.
#include "engine/crypto/DecryptingSource.h"

#include <algorithm>
#include <cstring>

#include "engine/ResultCodes.h"

namespace valbrix {

TDecryptingSource::TDecryptingSource(TInputSource& archive, TEncryption encryption, uint8_t strength)
    : FArchive(archive), FEncryption(encryption), FStrength(strength)
{
}

TDecryptingSource::~TDecryptingSource() = default;

bool TDecryptingSource::ReadFully(uint8_t* buffer, size_t count)
{
    while (count > 0) {
        const long n = FArchive.Read(buffer, count);
        if (n <= 0)
            return false;
        buffer += n;
        count -= size_t(n);
    }
    return true;
}

int TDecryptingSource::ReadHeader(uint64_t& storedBytes)
{
    size_t headerBytes = ZipCryptoHeaderBytes;
    size_t trailerBytes = 0;
    if (FEncryption == enAes) {
        if (AesSaltBytes(FStrength) == 0)
            return erEncryptionUnsupported;
        // The code sits behind the data: without the data's size it cannot be found.
        if (storedBytes == UnknownSize)
            return erFormat;
        headerBytes = AesSaltBytes(FStrength) + AesVerifierBytes;
        trailerBytes = AesAuthCodeBytes;
    }
    if (storedBytes < headerBytes + trailerBytes)
        return erFormat;
    if (!ReadFully(FHeader, headerBytes))
        return erRead;
    // A traditional entry of unknown size runs until its decoder stops.
    if (storedBytes != UnknownSize)
        storedBytes -= headerBytes + trailerBytes;
    FDataLeft = storedBytes;
    return erOk;
}

int TDecryptingSource::TryPassword(const TSecret& password, uint8_t checkByte)
{
    FZipCrypto.reset();
    FAes.reset();
    if (FEncryption == enZipCrypto) {
        auto keys = std::make_unique<TZipCryptoKeys>(password);
        uint8_t header[ZipCryptoHeaderBytes];
        std::memcpy(header, FHeader, sizeof header);
        if (!keys->CheckHeader(header, checkByte))
            return erWrongPassword;
        FZipCrypto = std::move(keys);
        return erOk;
    }
    auto aes = std::make_unique<TWinZipAes>();
    const size_t saltBytes = AesSaltBytes(FStrength);
    uint8_t verifier[AesVerifierBytes];
    std::memcpy(verifier, FHeader + saltBytes, sizeof verifier);
    const int result = aes->Start(password, FStrength, FHeader, verifier);
    if (result == erOk)
        FAes = std::move(aes);
    return result;
}

long TDecryptingSource::Read(uint8_t* buffer, size_t count)
{
    if (FDataLeft == 0) {
        // Behind the data: the code first, then the archive as it stands.
        if (FAes && FCodeResult < 0 && CheckCode() == erRead)
            return -1;
        return FArchive.Read(buffer, count);
    }
    if (!FZipCrypto && !FAes)
        return -1;
    const long n = FArchive.Read(buffer, size_t(std::min<uint64_t>(count, FDataLeft)));
    if (n <= 0)
        return n;
    if (FZipCrypto)
        FZipCrypto->Decrypt(buffer, size_t(n));
    else
        FAes->Decrypt(buffer, size_t(n));
    FDataLeft -= uint64_t(n);
    return n;
}

int TDecryptingSource::CheckCode()
{
    uint8_t code[AesAuthCodeBytes];
    if (!ReadFully(code, sizeof code))
        return FCodeResult = erRead;
    return FCodeResult = FAes->CodeMatches(code) ? erOk : erWrongPassword;
}

int TDecryptingSource::Finish()
{
    if (!FAes)
        return erOk;
    uint8_t rest[4096];
    while (FDataLeft > 0) {
        const long n = FArchive.Read(rest, size_t(std::min<uint64_t>(sizeof rest, FDataLeft)));
        if (n <= 0)
            return erRead;
        FAes->Authenticate(rest, size_t(n));
        FDataLeft -= uint64_t(n);
    }
    return FCodeResult < 0 ? CheckCode() : FCodeResult;
}

}  // namespace valbrix
