#include "engine/ZipRecords.h"

#include <gtest/gtest.h>

namespace {

size_t FindExtra(const TBytes& record, size_t extraStart, uint16_t id)
{
    for (size_t at = extraStart; at + 4 <= record.size(); at += 4 + GetLE16(&record[at + 2]))
        if (GetLE16(&record[at]) == id)
            return at;
    return std::string::npos;
}

} // namespace

TEST(ZipRecords, EndRecordsSwitchToZip64)
{
    struct Case
    {
        uint64_t entries, offset, end;
        bool zip64;
    } cases[] = {
        {65534, 1000, 2000, false}, {65535, 1000, 2000, true}, // 0xFFFF in the 16-bit count would read as "see Zip64"
        {65536, 1000, 2000, true},  {3, 0xFFFFF000, 0xFFFFFFFE, false}, {3, 0xFFFFF000, 0x100000010, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        const TBytes out = EndRecords(c.entries, c.offset, c.end);
        ASSERT_EQ(out.size(), c.zip64 ? 56 + 20 + ZipEndRecordSize : ZipEndRecordSize);
        const uint8_t* eocd = &out[out.size() - ZipEndRecordSize];
        EXPECT_EQ(GetLE32(eocd), ZipEndSignature);
        if (!c.zip64) {
            EXPECT_EQ(GetLE16(eocd + 10), c.entries);
            EXPECT_EQ(GetLE32(eocd + 16), c.offset);
            continue;
        }
        EXPECT_EQ(GetLE32(&out[0]), Zip64EndSignature);
        EXPECT_EQ(GetLE64(&out[4]), 44u);
        EXPECT_EQ(GetLE64(&out[32]), c.entries);
        EXPECT_EQ(GetLE64(&out[40]), c.end - c.offset);
        EXPECT_EQ(GetLE64(&out[48]), c.offset);
        EXPECT_EQ(GetLE32(&out[56]), Zip64LocatorSignature);
        EXPECT_EQ(GetLE64(&out[64]), c.end); // the Zip64 end record follows the directory
        EXPECT_EQ(GetLE32(&out[72]), 1u);
        EXPECT_EQ(GetLE16(eocd + 10), 0xFFFF);
        EXPECT_EQ(GetLE32(eocd + 16), 0xFFFFFFFFu);
    }
}

TEST(ZipRecords, CentralZip64ExtraHoldsOnlyLargeValues)
{
    const TPkHeader small(0x00210000, 0x1234, 0x20, 2, ZipMethodDeflate, 100, 0xFF000001, 0xFF000001);
    EXPECT_FALSE(small.Zip64);
    const TBytes plain = CentralHeader("a", small, nullptr);
    EXPECT_EQ(plain.size(), ZipCentralHeaderSize + 1);
    EXPECT_EQ(GetLE16(&plain[6]), ZipVersionDefault);
    EXPECT_EQ(GetLE32(&plain[20]), 0xFF000001u);

    const TPkHeader farOffset(0x00210000, 0x1234, 0x20, 2, ZipMethodDeflate, 0x100000000ull + 5, 10, 20);
    ASSERT_TRUE(farOffset.Zip64);
    const TBytes rec = CentralHeader("dir/b.txt", farOffset, nullptr);
    EXPECT_EQ(GetLE16(&rec[6]), ZipVersionZip64);
    EXPECT_EQ(GetLE32(&rec[16]), 0x1234u);
    EXPECT_EQ(GetLE32(&rec[20]), 10u);
    EXPECT_EQ(GetLE32(&rec[24]), 20u);
    EXPECT_EQ(GetLE32(&rec[42]), 0xFFFFFFFFu);
    const size_t extra = FindExtra(rec, ZipCentralHeaderSize + 9, 0x0001);
    ASSERT_NE(extra, std::string::npos);
    EXPECT_EQ(GetLE16(&rec[extra + 2]), 8);
    EXPECT_EQ(GetLE64(&rec[extra + 4]), 0x100000000ull + 5);

    const TPkHeader huge(0x00210000, 0, 0x20, 2, ZipMethodDeflate, 0x100000000ull, 0x100000001ull, 0x200000000ull);
    const TBytes all = CentralHeader("c", huge, nullptr);
    const size_t at = FindExtra(all, ZipCentralHeaderSize + 1, 0x0001);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(GetLE16(&all[at + 2]), 24);
    EXPECT_EQ(GetLE64(&all[at + 4]), 0x200000000ull); // uncompressed first
    EXPECT_EQ(GetLE64(&all[at + 12]), 0x100000001ull);
    EXPECT_EQ(GetLE64(&all[at + 20]), 0x100000000ull);
}

TEST(ZipRecords, AesEntriesCarryTheExtraAndNoCrc)
{
    const TBytes aes = AesExtraField(3);
    EXPECT_EQ(aes, (TBytes{0x01, 0x99, 0x07, 0x00, 0x02, 0x00, 'A', 'E', 3, 0x08, 0x00}));

    const TPkHeader folder(0x00210000, 0, 0x10, 0, ZipMethodStored, 0, 0, 0);
    const TBytes central = CentralHeader("d/", folder, &aes);
    EXPECT_EQ(GetLE16(&central[30]), ZipAesExtraSize);
    EXPECT_NE(FindExtra(central, ZipCentralHeaderSize + 2, 0x9901), std::string::npos);

    const TPkHeader file(0x00210000, 0xDEADBEEF, 0x20, ZipFlagEncrypted, ZipMethodAes, 0, 50, 40);
    EXPECT_EQ(GetLE32(&CentralHeader("f", file, &aes)[16]), 0u);
}
