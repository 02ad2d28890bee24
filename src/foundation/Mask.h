#pragma once

#include <stdexcept>
#include <string>

// Raised for an invalid wildcard mask: "'<mask>' is an invalid mask at (<position>)".
class EMaskError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Whether the whole name matches a wildcard mask: "*" any run of characters, "?" one character,
// "[a-c]" one of a set, "[!a-c]" one not in it; letters compare regardless of case. Works per
// code point of UTF-8 text. An invalid mask (unclosed "[", "[]", a "-" with nothing before it,
// more than 30 "*") raises EMaskError whatever the name is.
bool MatchesMask(const std::string& name, const std::string& mask);
