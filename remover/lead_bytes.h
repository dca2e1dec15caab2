// Which bytes begin a double-byte character in a code page. Pure data, free
// of the Windows headers: the remover fills it from the ANSI code page, tests
// and native builds from a literal table.
#pragma once

struct LeadByteTable {
  bool is_lead[256];
};

inline bool IsLeadByte(const LeadByteTable& table, char byte) {
  return table.is_lead[static_cast<unsigned char>(byte)];
}

// A table from lead-byte ranges given as pairs of first and last byte, ended
// by a pair of zeros, the form in which the platform reports them. At most
// `count` bytes of `ranges` are read. A single-byte code page has no pairs.
LeadByteTable LeadByteTableFromRanges(const unsigned char* ranges, unsigned count);

// No lead bytes: every single-byte code page.
LeadByteTable SingleByteLeadBytes();

// Code page 932 (Japanese Shift-JIS): lead bytes 0x81 to 0x9F and 0xE0 to 0xFC.
LeadByteTable CodePage932LeadBytes();
