#pragma once
#include <string>
#include <vector>

// Tells whether a byte opens a double-byte character of the ANSI code page.
using LeadByteTest = bool (*)(unsigned char byte);

// The argument vector: index 0 is modulePath; the rest come from the command
// line after its first token, split at spaces and tabs outside double quotes.
// \" gives a literal quote, other backslashes stay, and a lead byte always
// takes its trail byte along. No wildcard expansion.
std::vector<std::string> BuildArgumentVector(const char* modulePath, const char* commandLine,
                                             LeadByteTest isLeadByte);

// True when any argument (index 0 included) contains a switch that selects
// write mode ("-W", case-sensitive, anywhere in the argument).
bool SelectsWriteMode(const std::vector<std::string>& arguments);
