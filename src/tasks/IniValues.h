#pragma once

// Value encodings shared by the task file and the program settings file.

#include <cstdint>
#include <string>

class TIniFile;

// Writes a text value so that it reads back unchanged: reading drops one pair of
// outer quotes, so a value that begins and ends with a quote gets one more pair.
void WriteText(TIniFile& ini, const std::string& section, const std::string& key, const std::string& value);

// prefix + index zero-padded to three digits: "Dir000", "SubDir012", "Dir1000".
std::string NumberedName(const std::string& prefix, int index);

// Free text with double quotes is stored with "#" in their place.
std::string QuotesToHashes(const std::string& text);
std::string HashesToQuotes(const std::string& text);

// The commands run before and after a backup ("PreCommand", "PostCommand", "PreWait",
// "PostWait"), stored alike in task files and in the automatic tasks of the settings.
void ReadCommandKeys(const TIniFile& ini, const std::string& section, std::string& preCommand, std::string& postCommand,
                     std::int32_t& preWait, std::int32_t& postWait);
void WriteCommandKeys(TIniFile& ini, const std::string& section, const std::string& preCommand,
                      const std::string& postCommand, std::int32_t preWait, std::int32_t postWait);

// 64-bit byte counts are stored as two signed 32-bit halves.
std::int32_t ByteCountHigh(std::int64_t count);
std::int32_t ByteCountLow(std::int64_t count);
std::int64_t JoinByteCount(std::int32_t high, std::int32_t low);

// The first number of a size text (up to a "|") as a 64-bit value. An empty or
// unreadable text leaves `value` as it is and gives false.
bool ParseSizeValue(const std::string& text, std::int64_t& value);

// Dates and times of the task file: written as "yyyy-mm-dd" and "hh:nn:ss", read
// in that form, as ISO 8601 and in the user's locale formats. False when unreadable.
std::string TaskDateText(double date);
std::string TaskTimeText(double time);
bool ParseTaskDate(const std::string& text, double& date);
bool ParseTaskTime(const std::string& text, double& time);

// Stored passwords of task files, with the task files' key.
std::string EncodeTaskPassword(const std::string& password);
std::string DecodeTaskPassword(const std::string& stored);

// The text with its first "%s" replaced by the argument.
std::string FormatText(const std::string& format, const std::string& argument);
