// SHA1_Transform on a prepared block is what makes the pad states pay; the EVP
// interface has no way to copy a digest state without an allocation.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "engine/Encryption.h"

#include "engine/Sha1Chains.h"
#include "engine/WorkPool.h"
#include "foundation/Encodings.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Counter blocks encrypted per AES call.
constexpr size_t KeystreamBlocks = 1024;
constexpr size_t BlockSize = 16;
constexpr int Iterations = 1000;
// Smaller pieces are hashed on the caller's thread: a hand-over costs more than it saves.
constexpr size_t MinWorkerPiece = size_t{32} * 1024;
constexpr size_t MaxSaltLength = 16;
constexpr size_t MaxDerivedLength = size_t{2} * 32 + VerifierLength;
// Keys derived ahead: two per pool thread, and at least this many, so that a run of
// small files never waits for one.
constexpr size_t MinKeysAhead = 4;

int ModeForLength(size_t characters)
{
    if (characters < 32) {
        return 1;
    }
    return characters >= 48 ? 3 : 2;
}

const EVP_CIPHER* AesEcb(int mode)
{
    switch (mode) {
    case 1:
        return EVP_aes_128_ecb();
    case 2:
        return EVP_aes_192_ecb();
    default:
        return EVP_aes_256_ecb();
    }
}

size_t CharacterCount(const std::string& text)
{
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<uint8_t>(c) & 0xC0) != 0x80; }));
}

void XorInto(uint8_t* data, const uint8_t* key, size_t count)
{
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t a;
        uint64_t b;
        std::memcpy(&a, data + i, 8);
        std::memcpy(&b, key + i, 8);
        a ^= b;
        std::memcpy(data + i, &a, 8);
    }
    for (; i < count; ++i) {
        data[i] ^= key[i];
    }
}

constexpr size_t ShaBlock = 64;
constexpr size_t ShaDigest = 20;

// The state's words as the big-endian digest.
void PutDigest(const SHA_CTX& state, uint8_t* out)
{
    const uint32_t words[] = {state.h0, state.h1, state.h2, state.h3, state.h4};
    for (size_t i = 0; i < 5; ++i) {
        for (size_t byte = 0; byte < 4; ++byte) {
            out[4 * i + byte] = static_cast<uint8_t>(words[i] >> (24 - 8 * byte));
        }
    }
}

} // namespace

struct TPbkdf2Sha1::TPads
{
    SHA_CTX Inner; // after the key XOR 0x36
    SHA_CTX Outer; // after the key XOR 0x5C

    // HMAC-SHA1 of any message.
    void Mac(const uint8_t* data, size_t size, uint8_t* out) const
    {
        SHA_CTX context = Inner;
        SHA1_Update(&context, data, size);
        SHA1_Final(out, &context);
        context = Outer;
        SHA1_Update(&context, out, ShaDigest);
        SHA1_Final(out, &context);
    }

    // HMAC-SHA1 of a 20-byte message that block holds, padded for its place after the
    // pad block; the result replaces it there.
    void MacInPlace(uint8_t* block) const
    {
        SHA_CTX context = Inner;
        SHA1_Transform(&context, block);
        PutDigest(context, block);
        context = Outer;
        SHA1_Transform(&context, block);
        PutDigest(context, block);
    }

    // sum = U1 xor U2 ... for one output block, U1 given.
    void XorChain(const uint8_t* first, int iterations, uint8_t* sum) const
    {
        // The 20-byte message, then the padding of a message of one block plus 20 bytes.
        std::array<uint8_t, ShaBlock> block{};
        block[ShaDigest] = 0x80;
        constexpr uint32_t bits = (ShaBlock + ShaDigest) * 8;
        block[ShaBlock - 2] = static_cast<uint8_t>(bits >> 8);
        block[ShaBlock - 1] = static_cast<uint8_t>(bits);
        std::memcpy(block.data(), first, ShaDigest);
        std::memcpy(sum, first, ShaDigest);
        for (int round = 1; round < iterations; ++round) {
            MacInPlace(block.data());
            XorInto(sum, block.data(), ShaDigest);
        }
        OPENSSL_cleanse(block.data(), block.size());
    }

    // The pad states' words, for the SHA instructions.
    std::array<uint32_t, 5> InnerWords{};
    std::array<uint32_t, 5> OuterWords{};
};

TPbkdf2Sha1::TPbkdf2Sha1(const std::string& passwordBytes, bool useShaInstructions)
    : Pads(new TPads), UseShaInstructions(useShaInstructions)
{
    std::array<uint8_t, ShaBlock> key{};
    if (passwordBytes.size() > ShaBlock) {
        SHA1(reinterpret_cast<const uint8_t*>(passwordBytes.data()), passwordBytes.size(), key.data());
    } else {
        std::memcpy(key.data(), passwordBytes.data(), passwordBytes.size());
    }
    std::array<uint8_t, ShaBlock> pad{};
    const auto start = [&](SHA_CTX& context, uint8_t mask) {
        for (size_t i = 0; i < ShaBlock; ++i) {
            pad[i] = key[i] ^ mask;
        }
        SHA1_Init(&context);
        SHA1_Update(&context, pad.data(), pad.size());
    };
    start(Pads->Inner, 0x36);
    start(Pads->Outer, 0x5C);
    Pads->InnerWords = {Pads->Inner.h0, Pads->Inner.h1, Pads->Inner.h2, Pads->Inner.h3, Pads->Inner.h4};
    Pads->OuterWords = {Pads->Outer.h0, Pads->Outer.h1, Pads->Outer.h2, Pads->Outer.h3, Pads->Outer.h4};
    OPENSSL_cleanse(key.data(), key.size());
    OPENSSL_cleanse(pad.data(), pad.size());
}

TPbkdf2Sha1::~TPbkdf2Sha1()
{
    OPENSSL_cleanse(Pads.get(), sizeof(TPads));
}

void TPbkdf2Sha1::Derive(const uint8_t* salt, size_t saltLength, int iterations, uint8_t* out, size_t outLength) const
{
    std::vector<uint8_t> first(salt, salt + saltLength);
    first.resize(saltLength + 4);
    // U1 of each output block, then their sums; the blocks' chains are independent.
    constexpr size_t maxBlocks = (MaxDerivedLength + ShaDigest - 1) / ShaDigest;
    std::array<uint8_t, maxBlocks * ShaDigest> firsts{};
    std::array<uint8_t, maxBlocks * ShaDigest> sums{};
    for (size_t start = 0; start < outLength; start += maxBlocks * ShaDigest) {
        const size_t blocks = std::min(maxBlocks, (outLength - start + ShaDigest - 1) / ShaDigest);
        for (size_t block = 0; block < blocks; ++block) {
            const auto index = static_cast<uint32_t>(start / ShaDigest + block + 1);
            for (size_t byte = 0; byte < 4; ++byte) {
                first[saltLength + byte] = static_cast<uint8_t>(index >> (24 - 8 * byte));
            }
            Pads->Mac(first.data(), first.size(), firsts.data() + block * ShaDigest);
        }
        if (!UseShaInstructions || !XorHmacSha1Chains(Pads->InnerWords.data(), Pads->OuterWords.data(), firsts.data(),
                                                      sums.data(), blocks, iterations)) {
            for (size_t block = 0; block < blocks; ++block) {
                Pads->XorChain(firsts.data() + block * ShaDigest, iterations, sums.data() + block * ShaDigest);
            }
        }
        const size_t take = std::min(outLength - start, blocks * ShaDigest);
        std::memcpy(out + start, sums.data(), take);
    }
    OPENSSL_cleanse(firsts.data(), firsts.size());
    OPENSSL_cleanse(sums.data(), sums.size());
}

// One thread that runs the HMAC over a copy of the last piece, so the hash of
// piece n overlaps the caller's write of n, read of n+1 and its counter mode.
struct TCrypt::TMacWorker
{
    explicit TMacWorker(evp_mac_ctx_st* context) : Context(context), Thread([this] { Run(); }) {}

    ~TMacWorker()
    {
        {
            std::lock_guard lock(Mutex);
            Quit = true;
        }
        Ready.notify_one();
        Thread.join();
    }

    TMacWorker(const TMacWorker&) = delete;
    TMacWorker& operator=(const TMacWorker&) = delete;

    void Submit(const uint8_t* data, size_t count)
    {
        Wait();
        Piece.assign(data, data + count);
        {
            std::lock_guard lock(Mutex);
            Pending = true;
        }
        Ready.notify_one();
    }

    void Wait()
    {
        std::unique_lock lock(Mutex);
        Done.wait(lock, [this] { return !Pending; });
    }

private:
    void Run()
    {
        std::unique_lock lock(Mutex);
        for (;;) {
            Ready.wait(lock, [this] { return Pending || Quit; });
            if (!Pending) {
                return;
            }
            lock.unlock();
            EVP_MAC_update(Context, Piece.data(), Piece.size());
            lock.lock();
            Pending = false;
            Done.notify_one();
        }
    }

    evp_mac_ctx_st* Context;
    std::vector<uint8_t> Piece;
    std::mutex Mutex;
    std::condition_variable Ready;
    std::condition_variable Done;
    bool Pending = false;
    bool Quit = false;
    std::thread Thread; // last: starts once the members above exist
};

// Keys for the next streams, derived on the work pool while this one is written.
struct TCrypt::TKeysAhead
{
    struct TKey
    {
        std::array<uint8_t, MaxSaltLength> Salt{};
        std::array<uint8_t, MaxDerivedLength> Derived{};
    };

    explicit TKeysAhead(TWorkPool& pool)
        : Wanted(std::max<size_t>(MinKeysAhead, size_t{2} * pool.Threads())), Tasks(pool)
    {}
    ~TKeysAhead()
    {
        Tasks.Wait();
        for (TKey& key : Ready) {
            OPENSSL_cleanse(&key, sizeof key);
        }
    }
    TKeysAhead(const TKeysAhead&) = delete;
    TKeysAhead& operator=(const TKeysAhead&) = delete;

    // Posts derivations until Wanted keys are ready or in the making.
    void TopUp(const TPbkdf2Sha1& kdf, size_t saltLength, size_t derivedLength)
    {
        std::lock_guard lock(Lock);
        for (; Ready.size() + Pending < Wanted; ++Pending) {
            // The salt is drawn here: pool threads touching the random generator would each
            // keep its per-thread state until exit, which the leak checker reports.
            TKey key;
            if (RAND_bytes(key.Salt.data(), static_cast<int>(saltLength)) != 1) {
                return;
            }
            Tasks.Post([this, &kdf, key, saltLength, derivedLength]() mutable {
                kdf.Derive(key.Salt.data(), saltLength, Iterations, key.Derived.data(), derivedLength);
                std::lock_guard done(Lock);
                --Pending;
                Ready.push_back(key);
                OPENSSL_cleanse(&key, sizeof key);
            });
        }
    }

    bool Take(TKey& key)
    {
        std::lock_guard lock(Lock);
        if (Ready.empty()) {
            return false;
        }
        key = Ready.front();
        OPENSSL_cleanse(&Ready.front(), sizeof(TKey));
        Ready.pop_front();
        return true;
    }

    std::mutex Lock;
    std::deque<TKey> Ready;
    size_t Pending = 0;
    const size_t Wanted;
    TTaskGroup Tasks; // last: waits for the derivations before the members above go
};

// What all objects of one password share: its key derivation and the keys derived
// ahead, each handed out once.
struct TCrypt::TKeySource
{
    explicit TKeySource(const std::string& keyBytes) : Kdf(keyBytes) {}

    // Made on the first call, on the calling thread's pool.
    TKeysAhead& Ahead()
    {
        std::call_once(AheadMade, [this] { Keys = std::make_unique<TKeysAhead>(TWorkPool::ForCallingThread()); });
        return *Keys;
    }

    TPbkdf2Sha1 Kdf;

private:
    std::once_flag AheadMade;
    std::unique_ptr<TKeysAhead> Keys; // uses Kdf: goes first
};

bool IsCp1252Text(const std::string& text)
{
    return Cp1252ToUtf8(Utf8ToCp1252(text)) == text;
}

std::string PasswordBytes(const std::string& password)
{
    return IsCp1252Text(password) ? Utf8ToCp1252(password) : password;
}

std::string PasswordText(const std::string& bytes)
{
    return WindowsTextToUtf8(bytes);
}

TCrypt::TCrypt(const std::string& password, int32_t bufferSize, int mode) : TCrypt(password, bufferSize, mode, nullptr)
{}

TCrypt::TCrypt(TSameKeys /*unused*/, const TCrypt& lender)
    : TCrypt(lender.Password, lender.BufferSize, lender.FMode, lender.Keys)
{
    Lent = true;
}

TCrypt::TCrypt(const std::string& password, int32_t bufferSize, int mode, std::shared_ptr<TKeySource> keys)
    : Password(password), BufferSize(std::max<int32_t>(bufferSize, 1)), Buffer(static_cast<size_t>(BufferSize)),
      KeyBytes(PasswordBytes(password)), Keys(keys ? std::move(keys) : std::make_shared<TKeySource>(KeyBytes)),
      Counters(KeystreamBlocks * BlockSize), Keystream(KeystreamBlocks * BlockSize)
{
    FMode = (mode >= 1 && mode <= 3) ? mode : ModeForLength(CharacterCount(password));
    AesContext = EVP_CIPHER_CTX_new();
    MacAlgorithm = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    MacContext = MacAlgorithm ? EVP_MAC_CTX_new(MacAlgorithm) : nullptr;
    // The digest is looked up once: each key set-up then only keys the context.
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    if (MacContext && EVP_MAC_CTX_set_params(MacContext, params) != 1) {
        EVP_MAC_CTX_free(MacContext);
        MacContext = nullptr;
    }
}

TCrypt::~TCrypt()
{
    // The last object of the password waits for the derivations still running.
    Keys.reset();
    ClearKeys();
    OPENSSL_cleanse(ReservedSalt.data(), ReservedSalt.size());
    MacWorker.reset();
    OPENSSL_cleanse(KeyBytes.data(), KeyBytes.size());
    OPENSSL_cleanse(Buffer.data(), Buffer.size());
    EVP_MAC_CTX_free(MacContext);
    EVP_MAC_free(MacAlgorithm);
    EVP_CIPHER_CTX_free(AesContext);
}

void TCrypt::ClearKeys()
{
    WaitMac();
    OPENSSL_cleanse(Keystream.data(), KeystreamMade);
    KeystreamPos = KeystreamEnd = KeystreamMade = 0;
    Counter = 0;
    Keyed = false;
}

int TCrypt::PrepareKeySetup()
{
    ClearKeys();
    if (KeyBytes.size() > MaxPasswordLength) {
        return ksPasswordTooLong;
    }
    if (FMode < 1 || FMode > 3 || !AesContext || !MacContext) {
        return ksBadMode;
    }
    return ksOk;
}

int TCrypt::KeySetup(const uint8_t* salt)
{
    const int ready = PrepareKeySetup();
    if (ready != ksOk) {
        return ready;
    }
    std::array<uint8_t, MaxDerivedLength> derived{};
    Keys->Kdf.Derive(salt, static_cast<size_t>(SaltLength()), Iterations, derived.data(), DerivedLength());
    const int result = ApplyKeys(derived.data());
    OPENSSL_cleanse(derived.data(), derived.size());
    return result;
}

int TCrypt::NewKeys(uint8_t* salt)
{
    const int ready = PrepareKeySetup();
    if (ready != ksOk) {
        return ready;
    }
    std::array<uint8_t, MaxDerivedLength> derived{};
    if (TakeKeyAhead(salt, derived.data())) {
        const int result = ApplyKeys(derived.data());
        OPENSSL_cleanse(derived.data(), derived.size());
        return result;
    }
    if (SaltReserved) {
        std::memcpy(salt, ReservedSalt.data(), static_cast<size_t>(SaltLength()));
        OPENSSL_cleanse(ReservedSalt.data(), ReservedSalt.size());
        SaltReserved = false;
    } else if (RAND_bytes(salt, SaltLength()) != 1) {
        return ksBadMode;
    }
    return KeySetup(salt);
}

bool TCrypt::PrepareLent(TCrypt& lent)
{
    lent.SaltReserved = RAND_bytes(lent.ReservedSalt.data(), SaltLength()) == 1;
    // From now on streams are made side by side: keys ahead pay even for the lender's
    // next one. (The lender may be making a stream on another thread meanwhile.)
    Lending = true;
    Keys->Ahead().TopUp(Keys->Kdf, static_cast<size_t>(SaltLength()), DerivedLength());
    return lent.SaltReserved;
}

void TCrypt::ForgetStream()
{
    ClearKeys();
    OPENSSL_cleanse(ReservedSalt.data(), ReservedSalt.size());
    SaltReserved = false;
}

bool TCrypt::TakeKeyAhead(uint8_t* salt, uint8_t* derived)
{
    // An object that makes one stream (a stored password) derives nothing ahead. One
    // lent for work on the pool leaves the top-up, with its random salts, to the lender.
    if (!Lent && ++NewKeysCalls < 2 && !Lending) {
        return false;
    }
    TKeysAhead& ahead = Keys->Ahead();
    TKeysAhead::TKey key;
    const bool taken = ahead.Take(key);
    if (!Lent) {
        ahead.TopUp(Keys->Kdf, static_cast<size_t>(SaltLength()), DerivedLength());
    }
    if (taken) {
        std::memcpy(salt, key.Salt.data(), static_cast<size_t>(SaltLength()));
        std::memcpy(derived, key.Derived.data(), key.Derived.size());
        OPENSSL_cleanse(&key, sizeof key);
    }
    return taken;
}

int TCrypt::ApplyKeys(const uint8_t* derived)
{
    const int keyLength = KeyLength();
    // Once the cipher is set, a new key only changes the key schedule.
    bool ok = EVP_EncryptInit_ex(AesContext, CipherSet ? nullptr : AesEcb(FMode), nullptr, derived, nullptr) == 1;
    ok = ok && (CipherSet || EVP_CIPHER_CTX_set_padding(AesContext, 0) == 1);
    CipherSet = ok;
    ok = ok && EVP_MAC_init(MacContext, derived + keyLength, static_cast<size_t>(keyLength), nullptr) == 1;
    std::memcpy(FVerifier.data(), derived + 2 * static_cast<std::ptrdiff_t>(keyLength), VerifierLength);
    Keyed = ok;
    return ok ? ksOk : ksBadMode;
}

void TCrypt::RefillKeystream(size_t wanted)
{
    // No more blocks than the data needs: a small file should not pay for a buffer full.
    const size_t blocks = std::clamp<size_t>((wanted + BlockSize - 1) / BlockSize, 1, KeystreamBlocks);
    // Bytes 0-7 of each block are the little-endian counter, bytes 8-15 stay zero. The
    // counter and the buffer are held in locals: stores through the buffer could alias
    // the members, which would make each block wait for the one before.
    uint8_t* const counters = Counters.data();
    const uint64_t first = Counter;
    for (size_t block = 0; block < blocks; ++block) {
        const uint64_t value = first + block + 1;
        uint8_t* at = counters + block * BlockSize;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(at, &value, 8);
        } else {
            for (int i = 0; i < 8; ++i) {
                at[i] = static_cast<uint8_t>(value >> (8 * i));
            }
        }
    }
    Counter = first + blocks;
    int outLength = 0;
    EVP_EncryptUpdate(AesContext, Keystream.data(), &outLength, counters, static_cast<int>(blocks * BlockSize));
    KeystreamPos = 0;
    KeystreamEnd = blocks * BlockSize;
    KeystreamMade = std::max(KeystreamMade, KeystreamEnd);
}

void TCrypt::XorKeystream(uint8_t* data, size_t count)
{
    while (count > 0) {
        if (KeystreamPos == KeystreamEnd) {
            RefillKeystream(count);
        }
        const size_t n = std::min(count, KeystreamEnd - KeystreamPos);
        XorInto(data, Keystream.data() + KeystreamPos, n);
        KeystreamPos += n;
        data += n;
        count -= n;
    }
}

void TCrypt::EncryptData(uint8_t* data, size_t count, bool last)
{
    XorKeystream(data, count);
    if (last) {
        WaitMac();
        EVP_MAC_update(MacContext, data, count);
    } else {
        QueueMac(data, count);
    }
}

void TCrypt::DecryptData(uint8_t* data, size_t count)
{
    QueueMac(data, count);
    XorKeystream(data, count);
}

void TCrypt::AuthenticateData(const uint8_t* data, size_t count)
{
    QueueMac(data, count);
}

void TCrypt::QueueMac(const uint8_t* data, size_t count)
{
    if (count == 0) {
        return;
    }
    // A lent object's stream runs beside others on the pool, which keeps the cores busy
    // already: its hash stays on its own thread, with no hand-off per piece.
    if (count >= MinWorkerPiece && !MacWorker && !Lent) {
        try {
            MacWorker = std::make_unique<TMacWorker>(MacContext);
        } catch (const std::system_error&) {
            // No thread to be had: hash on this one.
        }
    }
    if (count >= MinWorkerPiece && MacWorker) {
        MacWorker->Submit(data, count);
        return;
    }
    WaitMac();
    EVP_MAC_update(MacContext, data, count);
}

void TCrypt::WaitMac()
{
    if (MacWorker) {
        MacWorker->Wait();
    }
}

std::array<uint8_t, CodeLength> TCrypt::FinishCode()
{
    WaitMac();
    std::array<uint8_t, EVP_MAX_MD_SIZE> mac{};
    size_t length = 0;
    EVP_MAC_final(MacContext, mac.data(), &length, mac.size());
    std::array<uint8_t, CodeLength> code{};
    std::memcpy(code.data(), mac.data(), CodeLength);
    return code;
}

// The objects given back to their lender, to be lent again; shared with the lent
// objects' pointers so that one given back after the lender went is simply freed.
struct TEncryption::TSpares
{
    void GiveBack(TEncryption* lent)
    {
        std::unique_ptr<TEncryption> owned(lent); // freed after the lock when not kept
        owned->ForgetStream();
        owned->OnProgress = nullptr;
        owned->LastWriteShort = false;
        std::lock_guard lock(Lock);
        if (!LenderGone) {
            Objects.push_back(std::move(owned));
        }
    }

    std::mutex Lock;
    bool LenderGone = false;
    std::vector<std::unique_ptr<TEncryption>> Objects;
};

TEncryption::TEncryption(const std::string& password, int32_t bufferSize, int mode)
    : TCrypt(password, bufferSize, mode), Spares(std::make_shared<TSpares>())
{}

TEncryption::TEncryption(TSameKeys same, const TEncryption& lender) : TCrypt(same, lender)
{}

TEncryption::~TEncryption()
{
    if (!Spares) {
        return;
    }
    std::vector<std::unique_ptr<TEncryption>> kept;
    std::lock_guard lock(Spares->Lock);
    Spares->LenderGone = true;
    kept.swap(Spares->Objects);
}

std::shared_ptr<TEncryption> TEncryption::Lend()
{
    if (!Spares) {
        return nullptr; // a lent object lends nothing
    }
    std::unique_ptr<TEncryption> lent;
    {
        std::lock_guard lock(Spares->Lock);
        if (!Spares->Objects.empty()) {
            lent = std::move(Spares->Objects.back());
            Spares->Objects.pop_back();
        }
    }
    if (!lent) {
        lent.reset(new TEncryption(TSameKeys{}, *this));
    }
    if (!PrepareLent(*lent)) {
        return nullptr;
    }
    return {lent.release(), [spares = Spares](TEncryption* given) { spares->GiveBack(given); }};
}

void TEncryption::Progress(uint8_t kind, int64_t count)
{
    if (OnProgress) {
        OnProgress(this, kind, count);
    }
}

bool TEncryption::Write(TStream& target, const void* data, int64_t count)
{
    if (count <= 0) {
        return true;
    }
    const int64_t written = target.Write(data, count);
    LastWriteShort = written >= 0 && written < count;
    return written == count;
}

bool TEncryption::WriteHeader(TStream& target)
{
    LastWriteShort = false;
    // Salt and verifier go out in one write.
    std::array<uint8_t, MaxSaltLength + VerifierLength> header{};
    if (NewKeys(header.data()) != ksOk) {
        return false;
    }
    std::memcpy(header.data() + SaltLength(), Verifier().data(), VerifierLength);
    return Write(target, header.data(), SaltLength() + VerifierLength);
}

bool TEncryption::ReadHeader(TStream& source)
{
    std::array<uint8_t, 16> salt{};
    std::array<uint8_t, VerifierLength> stored{};
    if (!source.ReadExact(salt.data(), SaltLength()) || !source.ReadExact(stored.data(), VerifierLength)) {
        return false;
    }
    return KeySetup(salt.data()) == ksOk && stored == Verifier();
}

bool TEncryption::WriteCode(TStream& target)
{
    const auto code = FinishCode();
    return Write(target, code.data(), CodeLength);
}

bool TEncryption::Encrypt(TStream& source, TStream& target)
{
    if (!WriteHeader(target)) {
        return false;
    }
    int64_t count = 0;
    for (;;) {
        const int64_t got = source.Read(Buffer.data(), BufferSize);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        count += got;
        Progress(pkEncrypt, count);
        EncryptData(Buffer.data(), static_cast<size_t>(got));
        if (!Write(target, Buffer.data(), got)) {
            return false;
        }
    }
    return WriteCode(target);
}

bool TEncryption::DecryptBody(TStream& source, TStream* target, int64_t cipherLength, const std::function<bool()>& stop)
{
    LastWriteShort = false;
    int64_t remaining = cipherLength;
    int64_t count = 0;
    while (remaining > 0) {
        const int64_t want = std::min<int64_t>(BufferSize, remaining);
        if (!source.ReadExact(Buffer.data(), want)) {
            return false;
        }
        count += want;
        Progress(pkDecrypt, count);
        if (target) {
            DecryptData(Buffer.data(), static_cast<size_t>(want));
            if (!Write(*target, Buffer.data(), want)) {
                return false;
            }
        } else {
            AuthenticateData(Buffer.data(), static_cast<size_t>(want));
        }
        remaining -= want;
        if (stop && stop()) {
            return false;
        }
    }
    std::array<uint8_t, CodeLength> stored{};
    if (!source.ReadExact(stored.data(), CodeLength)) {
        return false;
    }
    return CRYPTO_memcmp(stored.data(), FinishCode().data(), CodeLength) == 0;
}

bool TEncryption::Decrypt(TStream& source, TStream* target, int64_t totalLength, const std::function<bool()>& stop)
{
    LastWriteShort = false;
    const int64_t cipherLength = totalLength - Overhead();
    if (cipherLength < 0 || !ReadHeader(source)) {
        return false;
    }
    return DecryptBody(source, target, cipherLength, stop);
}
