// Tests of the key derivation and MAC of AES entries built on stored
// HMAC-SHA1 pad states: held against libcrypto's one-call PBKDF2 and HMAC
// as control oracles and against published vectors, the password's cached
// pad states against a change of password, and the AES keystream against
// the way the decoder cuts its reads. Each test names the fault it would
// catch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include "engine/ResultCodes.h"
#include "engine/crypto/HmacSha1.h"
#include "engine/crypto/Secret.h"
#include "engine/crypto/WinZipAes.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

Bytes ControlPbkdf2(const Bytes& password, const Bytes& salt, unsigned rounds, size_t outBytes)
{
    Bytes out(outBytes);
    static const char Empty = 0;
    EXPECT_EQ(PKCS5_PBKDF2_HMAC_SHA1(password.empty() ? &Empty : reinterpret_cast<const char*>(password.data()),
                                     int(password.size()), salt.data(), int(salt.size()), int(rounds),
                                     int(outBytes), out.data()),
              1);
    return out;
}

Bytes OurPbkdf2(const Bytes& password, const Bytes& salt, unsigned rounds, size_t outBytes)
{
    Bytes out(outBytes);
    THmacSha1(password.data(), password.size()).Pbkdf2(salt.data(), salt.size(), rounds, out.data(), outBytes);
    return out;
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

std::string Hex(const Bytes& bytes)
{
    static const char Digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes)
        text += {Digits[byte >> 4], Digits[byte & 15]};
    return text;
}

}  // namespace

// A wrong length in the prepadded block, the block index counted from 0, a
// round too many or too few, a long password not hashed first (over 64
// bytes), a tail block cut wrong (sizes between multiples of 20), or a
// zero byte in the password taken as its end: each gives other bytes than
// the library's own PBKDF2 for some row.
TEST(HmacSha1, Pbkdf2AgreesWithTheLibraryOnEveryShape)
{
    const std::vector<Bytes> passwords = {
        {}, Text("a"), Text("bench-password"), Text("Kennwort mit Ümlaut"),
        Bytes{'p', 0, 'w'}, RandomData(63, 1), RandomData(64, 2), RandomData(65, 3), RandomData(200, 4)};
    const size_t saltSizes[] = {0, 8, 12, 16, 61};  // 61: salt and index cross a hash block
    const unsigned roundCounts[] = {1, 2, 3, 1000};
    const size_t outSizes[] = {1, 19, 20, 21, 34, 50, 66, 100};  // 34/50/66: AES-128/192/256 keys and verifier
    int row = 0;
    for (const Bytes& password : passwords)
        for (size_t saltBytes : saltSizes)
            for (unsigned rounds : roundCounts) {
                const size_t outBytes = outSizes[row++ % std::size(outSizes)];
                const Bytes salt = RandomData(saltBytes, uint32_t(row));
                ASSERT_EQ(OurPbkdf2(password, salt, rounds, outBytes), ControlPbkdf2(password, salt, rounds, outBytes))
                    << "password " << password.size() << " bytes, salt " << saltBytes << ", rounds " << rounds
                    << ", out " << outBytes;
            }
}

// Guards against the library and our loop sharing a mistake in this test's
// use of both: published PBKDF2-HMAC-SHA1 vectors.
TEST(HmacSha1, Pbkdf2MatchesPublishedVectors)
{
    struct Vector {
        const char* Password;
        const char* Salt;
        unsigned Rounds;
        size_t OutBytes;
        const char* Expected;
    };
    const Vector vectors[] = {
        {"password", "salt", 1, 20, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, 20, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, 20, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
    };
    for (const Vector& vector : vectors)
        EXPECT_EQ(Hex(OurPbkdf2(Text(vector.Password), Text(vector.Salt), vector.Rounds, vector.OutBytes)),
                  vector.Expected)
            << vector.Password << " / " << vector.Salt << " / " << vector.Rounds;
}

// A message hashed from the wrong stored state, a Final that does not
// start the next message afresh, or pieces lost at block boundaries: the
// code of each message, fed in pieces of every cut, must equal the
// library's one-call HMAC.
TEST(HmacSha1, MacInPiecesAgreesWithTheLibrary)
{
    const Bytes message = RandomData(5000, 9);
    const size_t pieceSizes[] = {1, 7, 63, 64, 65, 2048, 5000};
    for (const Bytes& key : {RandomData(20, 5), RandomData(32, 6), RandomData(90, 7)}) {
        THmacSha1 mac(key.data(), key.size());
        for (size_t piece : pieceSizes) {
            // Two messages in a row through the same object.
            for (size_t length : {message.size(), size_t(777)}) {
                for (size_t at = 0; at < length; at += piece)
                    mac.Update(message.data() + at, std::min(piece, length - at));
                uint8_t code[THmacSha1::CodeBytes];
                mac.Final(code);
                uint8_t control[THmacSha1::CodeBytes];
                unsigned controlBytes = 0;
                HMAC(EVP_sha1(), key.data(), int(key.size()), message.data(), length, control, &controlBytes);
                ASSERT_EQ(controlBytes, THmacSha1::CodeBytes);
                ASSERT_EQ(Bytes(code, code + sizeof code), Bytes(control, control + sizeof control))
                    << "key " << key.size() << " piece " << piece << " length " << length;
            }
        }
    }
}

// A cache of pad states that outlives the password it was made from: the
// next archive's password would derive the old password's keys. After a
// new Assign, a move and a Clear the kept key must follow the bytes.
TEST(HmacSha1, SecretsKeptKeyFollowsItsBytes)
{
    const Bytes salt = RandomData(16, 3);
    auto derived = [&](const TSecret& secret) {
        Bytes out(66);
        secret.HmacSha1Key().Pbkdf2(salt.data(), salt.size(), 10, out.data(), out.size());
        return out;
    };
    TSecret secret("first");
    EXPECT_EQ(derived(secret), ControlPbkdf2(Text("first"), salt, 10, 66));
    const uint8_t second[] = {'s', 'e', 'c', 'o', 'n', 'd'};
    secret.Assign(second, sizeof second);
    EXPECT_EQ(derived(secret), ControlPbkdf2(Text("second"), salt, 10, 66));
    TSecret moved(std::move(secret));
    EXPECT_EQ(derived(moved), ControlPbkdf2(Text("second"), salt, 10, 66));
    secret = TSecret("third");  // the moved-from object takes a new password
    EXPECT_EQ(derived(secret), ControlPbkdf2(Text("third"), salt, 10, 66));
    moved.Clear();
    EXPECT_EQ(derived(moved), ControlPbkdf2({}, salt, 10, 66));
}

// A keystream position lost between reads, a word-wise xor that drops or
// repeats the 1..7 bytes of a tail, or a counter batch refilled too early
// or too late: the decoder reads in pieces of any size, and every cut must
// give the same plain bytes and the same code as one call over the whole.
TEST(HmacSha1, AesDecryptsTheSameWhateverTheReadsAre)
{
    const Bytes cipherText = RandomData(20000, 12);  // several batches of counter blocks
    const Bytes salt = RandomData(16, 13);
    const TSecret password("bench-password");
    Bytes derived(66);
    password.HmacSha1Key().Pbkdf2(salt.data(), salt.size(), 1000, derived.data(), derived.size());
    const uint8_t verifier[AesVerifierBytes] = {derived[64], derived[65]};
    auto run = [&](size_t piece, Bytes& plain) {
        TWinZipAes aes;
        EXPECT_EQ(aes.Start(password, 3, salt.data(), verifier), erOk);
        plain = cipherText;
        for (size_t at = 0; at < plain.size(); at += piece)
            aes.Decrypt(plain.data() + at, std::min(piece, plain.size() - at));
        uint8_t code[THmacSha1::CodeBytes];
        THmacSha1 control(derived.data() + 32, 32);
        control.Update(cipherText.data(), cipherText.size());
        control.Final(code);
        uint8_t stored[AesAuthCodeBytes];
        std::copy(code, code + AesAuthCodeBytes, stored);
        return aes.CodeMatches(stored);
    };
    Bytes whole;
    ASSERT_TRUE(run(cipherText.size(), whole));
    for (size_t piece : {1, 3, 8, 15, 16, 17, 2048, 4095, 4096, 4097}) {
        Bytes plain;
        EXPECT_TRUE(run(piece, plain)) << "piece " << piece;
        EXPECT_TRUE(plain == whole) << "piece " << piece;
    }
}
