// Text in the Windows ANSI code pages, through the host's iconv.
#include "host/CodePage.h"

#include <iconv.h>
#include <locale.h>

#include <cerrno>
#include <cwctype>
#include <stdexcept>

namespace codepage {

namespace {

// Unicode's case rules, whatever the host's locale says.
locale_t UnicodeLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  return locale;
}

char32_t UpperOf(char32_t c) {
  const locale_t locale = UnicodeLocale();
  return locale ? char32_t(towupper_l(wint_t(c), locale)) : c;
}

}  // namespace

TCodePage::TCodePage(int number)
    : number_(number),
      toUnicode_(iconv_open("UTF-32LE", ("CP" + std::to_string(number)).c_str())),
      fromUnicode_(iconv_open(("CP" + std::to_string(number)).c_str(), "UTF-32LE")) {
  if (toUnicode_ == iconv_t(-1) || fromUnicode_ == iconv_t(-1)) {
    if (toUnicode_ != iconv_t(-1)) iconv_close(iconv_t(toUnicode_));
    if (fromUnicode_ != iconv_t(-1)) iconv_close(iconv_t(fromUnicode_));
    throw std::runtime_error("no conversion for code page " + std::to_string(number) +
                             " on this machine");
  }
  const auto leads = [this](int from, int to) {
    for (int b = from; b <= to; ++b) lead_[std::size_t(b)] = true;
  };
  if (number == 932) {
    leads(0x81, 0x9F);
    leads(0xE0, 0xFC);
  } else if (number == 936 || number == 949 || number == 950) {
    leads(0x81, 0xFE);
  }
  // A single-byte code page gets a table; a byte that begins a longer
  // character makes it a multi-byte one, handled character by character.
  for (int b = 0; b < 256; ++b) {
    upper_[std::size_t(b)] = static_cast<unsigned char>(b);
    char32_t c = 0;
    std::size_t length = 0;
    const std::string byte(1, char(b));
    if (!DecodeOne(byte, 0, c, length)) {
      if (errno == EINVAL) singleByte_ = false;
      continue;
    }
    const std::string upper = CharOf(UpperOf(c));
    if (upper.size() == 1) upper_[std::size_t(b)] = static_cast<unsigned char>(upper[0]);
  }
}

TCodePage::~TCodePage() {
  iconv_close(iconv_t(toUnicode_));
  iconv_close(iconv_t(fromUnicode_));
  for (void* descriptor : {toUtf8_, fromUtf8_})
    if (descriptor && descriptor != iconv_t(-1)) iconv_close(iconv_t(descriptor));
}

bool TCodePage::DecodeOne(const std::string& text, std::size_t at, char32_t& c,
                          std::size_t& length) const {
  std::lock_guard<std::mutex> guard(lock_);
  for (length = 1; length <= 4 && at + length <= text.size(); ++length) {
    iconv(iconv_t(toUnicode_), nullptr, nullptr, nullptr, nullptr);
    std::string in = text.substr(at, length);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    unsigned char out[8];
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    const std::size_t done = iconv(iconv_t(toUnicode_), &inPtr, &inLeft, &outPtr, &outLeft);
    if (done != std::size_t(-1) && inLeft == 0 && outLeft == 4) {
      c = char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16 | char32_t(out[3]) << 24;
      return true;
    }
    if (errno != EINVAL) return false;  // no character begins so
  }
  errno = EINVAL;
  return false;
}

std::string TCodePage::CharOf(char32_t c) const {
  std::lock_guard<std::mutex> guard(lock_);
  iconv(iconv_t(fromUnicode_), nullptr, nullptr, nullptr, nullptr);
  unsigned char in[4] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                         static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 24)};
  char* inPtr = reinterpret_cast<char*>(in);
  std::size_t inLeft = sizeof in;
  char out[8];
  char* outPtr = out;
  std::size_t outLeft = sizeof out;
  if (iconv(iconv_t(fromUnicode_), &inPtr, &inLeft, &outPtr, &outLeft) == std::size_t(-1) ||
      iconv(iconv_t(fromUnicode_), nullptr, nullptr, &outPtr, &outLeft) == std::size_t(-1))
    return {};
  return std::string(out, sizeof out - outLeft);
}

std::string TCodePage::Upper(const std::string& text) const {
  std::string upper;
  if (singleByte_) {
    upper = text;
    for (char& b : upper) b = char(upper_[static_cast<unsigned char>(b)]);
    return upper;
  }
  // Character by character: a trail byte is never upper-cased on its own.
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length =
        at + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    const std::string bytes = text.substr(at, length);
    char32_t c = 0;
    std::size_t decoded = 0;
    std::string upperBytes;
    if (DecodeOne(bytes, 0, c, decoded) && decoded == length) upperBytes = CharOf(UpperOf(c));
    upper += upperBytes.empty() ? bytes : upperBytes;
    at += length;
  }
  return upper;
}

namespace {
// Converts in through descriptor (opened from from to to when null); false
// when the descriptor cannot be had or a character has no place.
bool Convert(void*& descriptor, const char* from, const char* to, const std::string& in, std::string& out) {
  if (!descriptor) descriptor = iconv_open(to, from);
  if (descriptor == iconv_t(-1)) return false;
  const iconv_t cd = iconv_t(descriptor);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string input = in;
  char* inPtr = input.data();
  std::size_t inLeft = input.size();
  std::string output(input.size() * 4 + 8, '\0');
  char* outPtr = output.data();
  std::size_t outLeft = output.size();
  const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != std::size_t(-1) &&
                  iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != std::size_t(-1);
  if (ok) out.assign(output.data(), output.size() - outLeft);
  return ok;
}
}  // namespace

bool TCodePage::ToUtf8(const std::string& text, std::string& utf8) const {
  std::lock_guard<std::mutex> guard(lock_);
  return Convert(toUtf8_, ("CP" + std::to_string(number_)).c_str(), "UTF-8", text, utf8);
}

bool TCodePage::FromUtf8(const std::string& utf8, std::string& text) const {
  std::lock_guard<std::mutex> guard(lock_);
  return Convert(fromUtf8_, "UTF-8", ("CP" + std::to_string(number_)).c_str(), utf8, text);
}

std::string UpperUtf8(const std::string& utf8) {
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    const unsigned char first = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = first < 0x80 ? 1 : first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    if (length == 1 || at + length > utf8.size()) {
      out += char(first < 0x80 ? char(std::toupper(first)) : char(first));
      ++at;
      continue;
    }
    char32_t c = first & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (static_cast<unsigned char>(utf8[at + i]) & 0x3F);
    const char32_t upper = UpperOf(c);
    // The same length only: Windows maps one UTF-16 unit to one.
    std::string encoded;
    if (upper < 0x800 && length == 2) {
      encoded = {char(0xC0 | (upper >> 6)), char(0x80 | (upper & 0x3F))};
    } else if (upper >= 0x800 && upper < 0x10000 && length == 3) {
      encoded = {char(0xE0 | (upper >> 12)), char(0x80 | ((upper >> 6) & 0x3F)), char(0x80 | (upper & 0x3F))};
    } else {
      encoded = utf8.substr(at, length);
    }
    out += encoded;
    at += length;
  }
  return out;
}

}  // namespace codepage
