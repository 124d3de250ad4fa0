#pragma once
// Text in a Windows ANSI code page, on the host (through iconv): the code
// page the stand-in plays the system's, and the one the packer writes
// names in.
#include <array>
#include <mutex>
#include <string>

namespace codepage {

class TCodePage {
 public:
  // Throws std::runtime_error when the host cannot convert the code page.
  explicit TCodePage(int number);
  ~TCodePage();
  TCodePage(const TCodePage&) = delete;
  TCodePage& operator=(const TCodePage&) = delete;

  int Number() const { return number_; }
  // Text upper-cased as Windows does it in this code page: each character
  // whose upper-case form the code page can write takes it; bytes that are
  // no character stay.
  std::string Upper(const std::string& text) const;
  // The bytes of character c in this code page; empty when it has none.
  std::string CharOf(char32_t c) const;
  // Whether byte begins a two-byte character: Windows' lead-byte ranges of
  // 932, 936, 949 and 950; none in a single-byte code page.
  bool IsLeadByte(unsigned char byte) const { return lead_[byte]; }
  bool SingleByte() const { return singleByte_; }
  // text converted to or from UTF-8; false when some bytes are no character.
  bool ToUtf8(const std::string& text, std::string& utf8) const;
  bool FromUtf8(const std::string& utf8, std::string& text) const;

 private:
  // One character of text, from at: its code point and length; false when
  // the bytes there are no character.
  bool DecodeOne(const std::string& text, std::size_t at, char32_t& c, std::size_t& length) const;

  int number_;
  void* toUnicode_;
  void* fromUnicode_;
  mutable void* toUtf8_ = nullptr;  // opened at their first use
  mutable void* fromUtf8_ = nullptr;
  mutable std::mutex lock_;  // an iconv descriptor is used by one thread at a time
  bool singleByte_ = true;
  std::array<unsigned char, 256> upper_{};  // for single-byte code pages
  std::array<bool, 256> lead_{};
};

// UTF-8 text with every character upper-cased as Windows compares file
// names (its upcase table: one character for one, whatever the code page
// can write); bytes that are no UTF-8 stay.
std::string UpperUtf8(const std::string& utf8);

}  // namespace codepage
