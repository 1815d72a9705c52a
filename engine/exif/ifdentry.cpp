#include "exif/ifdentry.h"

#include "exif/byteorder.h"

int TiffElementSize(uint16_t type) {
    switch (type) {
        case kTiffByte:
        case kTiffAscii:
        case kTiffSByte:
        case kTiffUndefined:
            return 1;
        case kTiffShort:
        case kTiffSShort:
            return 2;
        case kTiffLong:
        case kTiffSLong:
        case kTiffFloat:
        case kTiffIfd:
            return 4;
        case kTiffRational:
        case kTiffSRational:
        case kTiffDouble:
            return 8;
        default:
            return 0;
    }
}

CIFDEntry::CIFDEntry(uint16_t tag, uint16_t type, int32_t count, int byteOrder)
    : m_tag(tag), m_type(type), m_elementSize(TiffElementSize(type)), m_count(count), m_byteOrder(byteOrder) {
    if (count > 0 && m_elementSize > 0) {
        m_byteSize = static_cast<uint32_t>(count) * static_cast<uint32_t>(m_elementSize);
        m_values.resize(static_cast<size_t>(count));
    }
}

bool CIFDEntry::FirstInteger(uint32_t& value) const {
    if (m_values.empty()) return false;
    switch (m_type) {
        case kTiffByte:
        case kTiffShort:
        case kTiffLong:
        case kTiffSLong:
        case kTiffUndefined:
        case kTiffIfd:
            value = m_values[0].first;
            return true;
        default:
            return false;
    }
}

void CIFDEntry::SetText(const std::string& text) {
    m_type = kTiffAscii;
    m_elementSize = 1;
    m_count = static_cast<int32_t>(text.size() + 1);
    m_byteSize = static_cast<uint32_t>(m_count);
    m_values.assign(text.size() + 1, TIFDENTRY_TYPE{});
    for (size_t i = 0; i < text.size(); ++i) m_values[i].first = static_cast<uint8_t>(text[i]);
}

const CIFDEntry* CIFD::Find(uint16_t tag) const {
    for (const CIFDEntry& e : m_entries)
        if (e.Tag() == tag) return &e;
    return nullptr;
}

CIFDEntry* CIFD::Find(uint16_t tag) {
    for (CIFDEntry& e : m_entries)
        if (e.Tag() == tag) return &e;
    return nullptr;
}

void CIFD::SetUnsigned(uint16_t tag, uint32_t value) {
    CIFDEntry* entry = Find(tag);
    if (entry == nullptr) {
        // Readers expect the entries of a directory in ascending tag order.
        auto at = m_entries.begin();
        while (at != m_entries.end() && at->Tag() < tag) ++at;
        entry = &*m_entries.insert(at, CIFDEntry(tag, kTiffLong, 1, exif::kIntel));
    }
    const bool fits = entry->Count() == 1 && (entry->Type() == kTiffLong ||
                                               (entry->Type() == kTiffShort && value <= 0xFFFF));
    if (!fits) *entry = CIFDEntry(tag, kTiffLong, 1, entry->ByteOrder());
    entry->Values()[0].first = value;
}
