#pragma once
// Display names and value texts of the EXIF entries the program shows.
#include <cstdint>
#include <string>

#include "exif/ifdentry.h"

struct ExifTagName {
    uint16_t tag;
    const char* name;
};

// The known tags in report order.
const ExifTagName* ExifTagNames(size_t& count);
// The display name of a known tag, or null.
const char* ExifTagDisplayName(uint16_t tag);
// The text of a 16-bit value of a tag: its value name, the tag's fallback name, or the number.
std::string ExifValueName(uint16_t tag, uint16_t value);

// Formats a known entry into its display name and value text; false (both left as they
// were) for a tag that is not in the table.
bool FormatEntry(const CIFDEntry& entry, std::string& name, std::string& value);
