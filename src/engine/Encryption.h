#pragma once

#include "engine/ProgressEvent.h"
#include "foundation/Stream.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct evp_cipher_ctx_st;
struct evp_mac_ctx_st;
struct evp_mac_st;

// Password-based AES stream encryption in the zip AES layout:
//
//   salt (8/12/16 bytes) | verifier (2) | ciphertext (= plaintext length) | code (10)
//
// Keys come from PBKDF2-HMAC-SHA1 (1000 iterations, 2L+2 bytes: AES key, HMAC key,
// verifier). The cipher is AES in counter mode with a little-endian 64-bit counter
// in bytes 0-7 of the block, starting at 1; the code is HMAC-SHA1 over the
// ciphertext, cut to 10 bytes. The stream does not record the strength, so a reader
// must use the writer's mode (mode 0 picks it from the password length).

// The bytes a password is keyed with: its Windows-1252 bytes, as Windows writers use.
// A password with characters outside that code page keeps its UTF-8 bytes, so no two
// passwords end up with the same key.
std::string PasswordBytes(const std::string& password);
bool IsCp1252Text(const std::string& text);
// Those bytes back as UTF-8 text.
std::string PasswordText(const std::string& bytes);

// PBKDF2-HMAC-SHA1 for one password. The HMAC key's inner and outer pad states are
// hashed once, so a derivation costs only its iterations, each two compressions of
// one prepared block; on the processor's SHA instructions when it has them (not
// asked for, the portable compressions serve). Derive may run on several threads at once.
class TPbkdf2Sha1
{
public:
    explicit TPbkdf2Sha1(const std::string& passwordBytes, bool useShaInstructions = true);
    ~TPbkdf2Sha1();
    TPbkdf2Sha1(const TPbkdf2Sha1&) = delete;
    TPbkdf2Sha1& operator=(const TPbkdf2Sha1&) = delete;

    // Fills out with outLength bytes of the key for this salt; iterations >= 1.
    void Derive(const uint8_t* salt, size_t saltLength, int iterations, uint8_t* out, size_t outLength) const;

private:
    struct TPads;
    std::unique_ptr<TPads> Pads;
    bool UseShaInstructions;
};

// Results of the key set-up.
inline constexpr int ksOk = 0;
inline constexpr int ksPasswordTooLong = -100;
inline constexpr int ksBadMode = -101;

inline constexpr int MaxPasswordLength = 128;
inline constexpr int VerifierLength = 2;
inline constexpr int CodeLength = 10;

// Cipher state of one stream: key set-up, counter-mode keystream and HMAC.
class TCrypt
{
public:
    // mode 1, 2, 3 = AES-128, -192, -256; any other mode is chosen by the password's
    // length in characters (< 32: 1, >= 48: 3, else 2). The password is UTF-8; its
    // bytes for the key are the Windows-1252 ones, as Windows writers use.
    TCrypt(const std::string& password, int32_t bufferSize, int mode);
    ~TCrypt();
    TCrypt(const TCrypt&) = delete;
    TCrypt& operator=(const TCrypt&) = delete;

    int Mode() const { return FMode; }
    int KeyLength() const { return 8 * (FMode + 1); }
    int SaltLength() const { return KeyLength() / 2; }
    // Bytes the stream adds to the plaintext: salt, verifier and code.
    int64_t Overhead() const { return SaltLength() + VerifierLength + CodeLength; }

    // Derives the keys from the salt; ksOk, ksPasswordTooLong or ksBadMode.
    int KeySetup(const uint8_t* salt);
    // Keys for a fresh random salt, written to salt (SaltLength bytes). From the
    // second call on, the next keys are derived ahead on the work pool.
    int NewKeys(uint8_t* salt);
    // The verifier of the last key set-up.
    const std::array<uint8_t, VerifierLength>& Verifier() const { return FVerifier; }
    // Counter mode, then HMAC over the result. For the last piece of a stream (last),
    // the HMAC runs here: nothing would overlap it on the worker thread.
    void EncryptData(uint8_t* data, size_t count, bool last = false);
    // HMAC over the ciphertext, then counter mode.
    void DecryptData(uint8_t* data, size_t count);
    // HMAC only, for a pass that checks without writing plaintext.
    void AuthenticateData(const uint8_t* data, size_t count);
    // The 10-byte code of all data since the key set-up.
    std::array<uint8_t, CodeLength> FinishCode();

    std::string Password;
    int32_t BufferSize;
    std::vector<uint8_t> Buffer;

protected:
    struct TKeySource;
    struct TSameKeys
    {
    };
    // An object for another stream with the lender's password, mode, buffer size and
    // key source.
    TCrypt(TSameKeys same, const TCrypt& lender);
    // Readies lent (made with TSameKeys from this one) for a stream: draws the salt it
    // takes when no key derived ahead is ready, and tops the keys ahead up. False when
    // no salt could be drawn.
    bool PrepareLent(TCrypt& lent);
    // Clears the keys and the reserved salt of the last stream.
    void ForgetStream();

private:
    struct TMacWorker;
    struct TKeysAhead;

    TCrypt(const std::string& password, int32_t bufferSize, int mode, std::shared_ptr<TKeySource> keys);
    size_t DerivedLength() const { return 2 * static_cast<size_t>(KeyLength()) + VerifierLength; }

    void XorKeystream(uint8_t* data, size_t count);
    // Encrypts the next counter blocks, enough for wanted bytes as far as they fit.
    void RefillKeystream(size_t wanted);
    void ClearKeys();
    // ClearKeys, then ksOk when keys can be made for this password and mode.
    int PrepareKeySetup();
    int ApplyKeys(const uint8_t* derived);
    // The next ready key ahead, if any, and more put in the making.
    bool TakeKeyAhead(uint8_t* salt, uint8_t* derived);
    // Hands the HMAC of a copy of data to the worker thread (or runs it here for
    // small pieces and in lent objects), after the previous piece is done; keeps the order of updates.
    void QueueMac(const uint8_t* data, size_t count);
    void WaitMac();

    int FMode;
    std::string KeyBytes;
    std::shared_ptr<TKeySource> Keys; // shared with the objects lent
    std::array<uint8_t, VerifierLength> FVerifier{};
    uint64_t Counter = 0;
    std::vector<uint8_t> Counters;  // counter blocks, bytes 8-15 stay zero
    std::vector<uint8_t> Keystream; // those blocks encrypted
    size_t KeystreamPos = 0;
    size_t KeystreamEnd = 0;  // bytes of Keystream the last refill made
    size_t KeystreamMade = 0; // the most since the keys were cleared
    evp_cipher_ctx_st* AesContext = nullptr;
    evp_mac_st* MacAlgorithm = nullptr;
    evp_mac_ctx_st* MacContext = nullptr;
    bool Keyed = false;
    bool CipherSet = false;
    std::unique_ptr<TMacWorker> MacWorker;
    int NewKeysCalls = 0;
    std::atomic<bool> Lending{false}; // objects were lent: the keys ahead are wanted
    bool Lent = false;
    bool SaltReserved = false;
    std::array<uint8_t, 16> ReservedSalt{};
};

// Encrypts or decrypts whole streams; one object serves file after file, one at a time.
// Files encrypted side by side each take an object of their own from Lend.
class TEncryption : public TCrypt
{
public:
    TEncryption(const std::string& password, int32_t bufferSize, int mode);
    ~TEncryption();
    TEncryption(const TEncryption&) = delete;
    TEncryption& operator=(const TEncryption&) = delete;

    // An object for a stream made beside this one's (work started ahead on the pool):
    // the same password, mode and buffer size, and the same keys derived ahead, each
    // handed out once, so no two streams get one salt. It comes back when its last
    // pointer goes, to be lent again. Call on the walk's thread: it draws the salt the
    // lent stream takes when no key ahead is ready. nullptr when no salt can be drawn.
    std::shared_ptr<TEncryption> Lend();

    // Writes the remaining source as one encrypted stream; false on any error.
    // LastWriteShort tells a full medium apart from other failures.
    bool Encrypt(TStream& source, TStream& target);
    // Reads one stream of totalLength bytes (salt to code); writes the plaintext to
    // target when given. True only when verifier and code match. A total too short
    // for salt, verifier and code, or a source that ends early, gives false.
    bool Decrypt(TStream& source, TStream* target, int64_t totalLength, const std::function<bool()>& stop = {});

    // Steps of Encrypt and Decrypt for workers that drive the loop themselves.
    // New salt and keys; writes salt and verifier.
    bool WriteHeader(TStream& target);
    // Reads salt and verifier; true when the keys derived from them match.
    bool ReadHeader(TStream& source);
    // Decrypts (or, without target, only authenticates) cipherLength bytes and checks
    // the code that follows them. stop, when given, is asked after each buffer and
    // ends the pass with false when it says so.
    bool DecryptBody(TStream& source, TStream* target, int64_t cipherLength, const std::function<bool()>& stop = {});
    bool WriteCode(TStream& target);

    TProgressEvent OnProgress;
    bool LastWriteShort = false;

private:
    struct TSpares;

    TEncryption(TSameKeys same, const TEncryption& lender);
    bool Write(TStream& target, const void* data, int64_t count);
    void Progress(uint8_t kind, int64_t count);

    std::shared_ptr<TSpares> Spares; // only the lender's
};
