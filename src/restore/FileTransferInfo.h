#pragma once

// Candidates of a restore or clean-up run: the scans build the list, the confirmation
// list lets the user narrow it down, and the runs act on the selected items.
//
//   TFileTransferInfo, TTransferItem, TTransferList

#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::uint8_t TransferFile = 0;
inline constexpr std::uint8_t TransferFolder = 1;

class TFileTransferInfo
{
public:
    TFileTransferInfo() = default;
    TFileTransferInfo(std::uint8_t kind, bool selected, bool encrypted, std::int64_t size, std::uint32_t attributes,
                      std::int32_t time, std::string destination, std::string source)
        : Kind(kind), Selected(selected), Encrypted(encrypted), Source(std::move(source)),
          Destination(std::move(destination)), Time(time), Attributes(attributes), Size(size)
    {}

    std::uint8_t Kind = TransferFile;
    bool Selected = false;
    bool Encrypted = false;  // restore: the content is encrypted
    bool Unpack = false;     // restore: a ".gz" file given back unpacked
    std::string Source;      // full path of the backup file or folder
    std::string Destination; // restore target; empty in a clean-up
    std::int32_t Time = 0;   // DOS date and time (local)
    std::uint32_t Attributes = 0;
    std::int64_t Size = 0; // of a gzip file: the stored length
    // Restore: the backup file as the scan's listing found it, so that its worker need not
    // look it up again.
    std::optional<Platform::TFindData> Listing;

    bool IsFolder() const { return Kind == TransferFolder; }
};

// One row: the text shown (a file's name, "..\" + relative path for a folder) and its data.
struct TTransferItem
{
    std::string Text;
    TFileTransferInfo Info;
};

using TTransferList = std::vector<TTransferItem>;
