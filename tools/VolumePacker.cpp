// mkvolumes' packer and lister: a product folder into payload volumes and back.
#include "tools/VolumePacker.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <regex>
#include <set>

#include <unistd.h>

#include "engine/EntryNames.h"
#include "engine/PayloadFormat.h"
#include "host/CodePage.h"

namespace fs = std::filesystem;

namespace packer {

namespace {

constexpr std::uint64_t kMaxSize = std::numeric_limits<std::int32_t>::max();
// Every byte above ASCII.
const std::string kAboveAscii = [] {
  std::string bytes;
  for (int b = 0x80; b <= 0xFF; ++b) bytes += char(b);
  return bytes;
}();
// The shortest installation folder ("C:") and the backslash after it.
constexpr std::size_t kShortestFolder = 3;

class VolumeWriter {
 public:
  VolumeWriter(const fs::path& folder, const PackOptions& options)
      : folder_(folder), options_(options) {}

  void Open() {
    ++number_;
    if (number_ > kMostVolumes) throw PackError("more than 255 volumes would be needed; choose a larger size");
    const fs::path path = folder_ / VolumeFileName(number_);
    out_.open(path, std::ios::binary | std::ios::trunc);
    if (!out_) throw PackError("cannot create " + path.string());
    // One byte of every volume is the trailer.
    const std::uint64_t size =
        number_ == 1 && options_.FirstVolumeSize ? options_.FirstVolumeSize : options_.VolumeSize;
    capacity_ = size - 1;
    used_ = 0;
  }

  // Ends the volume with the number of the next one (0 for the last).
  void Close(bool more) {
    out_.put(char(more ? number_ + 1 : 0));
    out_.close();
    if (!out_) throw PackError("cannot write " + (folder_ / VolumeFileName(number_)).string());
  }

  std::uint64_t Room() const { return capacity_ - used_; }
  int Number() const { return number_; }

  void Write(const char* bytes, std::size_t n) {
    out_.write(bytes, std::streamsize(n));
    if (!out_) throw PackError("cannot write " + (folder_ / VolumeFileName(number_)).string());
    used_ += n;
  }

 private:
  fs::path folder_;
  const PackOptions& options_;
  std::ofstream out_;
  int number_ = 0;
  std::uint64_t capacity_ = 0;
  std::uint64_t used_ = 0;
};

}  // namespace

namespace {

// The case rules and superscript digits of the code page the names are
// written in, not those of the machine that packs.
class CodePageRules : public TNameRules {
 public:
  explicit CodePageRules(int codePage) try : page_(codePage) {
  } catch (const std::runtime_error& e) {
    throw PackError(e.what());
  }
  std::string Upper(const std::string& name) const override { return page_.Upper(name); }
  std::string CharOf(char32_t c) const override { return page_.CharOf(c); }
  // Levels, dots and forbidden characters are found by this code page's
  // characters: in 932 the second byte of many is "\\" or "|".
  bool IsLeadByte(unsigned char byte) const override { return page_.IsLeadByte(byte); }
  const codepage::TCodePage& Page() const { return page_; }

 private:
  codepage::TCodePage page_;
};

// Every file below folder, following links to files and folders as what
// they point to; a link that leads back into a folder it lies in, or to
// nothing, is refused by name. relative is the path of folder below the
// top; ancestors the real paths of the folders being walked.
void Walk(const fs::path& folder, const std::string& relative, std::vector<fs::path>& ancestors,
          const std::function<void(const fs::path&, const std::string&)>& file) {
  const std::vector<fs::directory_entry> items{fs::directory_iterator(folder), fs::directory_iterator()};
  for (const fs::directory_entry& item : items) {
    const std::string name = relative + (relative.empty() ? "" : "/") + item.path().filename().string();
    std::error_code error;
    const fs::file_status status = fs::status(item.path(), error);
    if (error || !fs::exists(status))
      throw PackError("cannot pack " + name + ": it is a link to something that does not exist");
    if (fs::is_directory(status)) {
      const fs::path real = fs::canonical(item.path());
      if (std::find(ancestors.begin(), ancestors.end(), real) != ancestors.end())
        throw PackError("cannot pack " + name + ": it is a link back to a folder it lies in");
      ancestors.push_back(real);
      Walk(item.path(), name, ancestors, file);
      ancestors.pop_back();
    } else if (fs::is_regular_file(status)) {
      file(item.path(), name);
    } else {
      throw PackError(name + " is not a regular file");
    }
  }
}

}  // namespace

std::vector<PackEntry> CollectEntries(const fs::path& folder, int codePage) {
  if (!fs::is_directory(folder)) throw PackError(folder.string() + " is not a folder");
  const CodePageRules rules(codePage);
  std::vector<PackEntry> entries;
  TEntryNames names(rules);
  std::uint64_t total = 0;
  std::vector<fs::path> ancestors{fs::canonical(folder)};
  Walk(folder, "", ancestors, [&](const fs::path& source, const std::string& relative) {
    // A backslash would turn one host name into folders on Windows. (The
    // name is UTF-8 here: no byte of a longer character is a backslash's.)
    if (relative.find('\\') != std::string::npos)
      throw PackError("cannot pack " + relative + ": the name holds a backslash");
    PackEntry entry;
    // The installer reads names in the system's ANSI code page; its folders
    // are separated while the name is still UTF-8, where no byte of a
    // character is "\\".
    std::string windowsName = relative;
    std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
    if (!rules.Page().FromUtf8(windowsName, entry.Name)) {
      // Said with the code pages that can write it, which the packer
      // would need to be given.
      std::string fits;
      for (int other : kServedCodePages) {
        std::string ignored;
        if (other != codePage && codepage::TCodePage(other).FromUtf8(windowsName, ignored))
          fits += (fits.empty() ? "" : ", ") + std::to_string(other);
      }
      throw PackError("cannot pack " + relative + ": the name cannot be written in code page " +
                      std::to_string(codePage) +
                      (fits.empty() ? std::string(", nor in any other that Setup serves")
                                    : ", only in " + fits + " (give --codepage with one of them)"));
    }
    // A payload volume among the product's files: an output folder inside
    // the product would pack each release into the next.
    if (IsVolumeName(source.filename().string()))
      throw PackError("cannot pack " + relative + ": it is a payload volume; pack from a folder that holds none");
    entry.Source = source;
    entry.Size = fs::file_size(source);
    const std::string problem = EntryNameProblem(entry.Name, rules);
    if (!problem.empty()) throw PackError("cannot pack " + relative + ": " + problem);
    if (kShortestFolder + entry.Name.size() >= 260)
      throw PackError("cannot pack " + relative + ": the name is too long for any folder");
    const std::string clash = names.Add(entry.Name);
    if (!clash.empty()) throw PackError("cannot pack " + relative + ": " + clash);
    if (entry.Size > kMaxSize)
      throw PackError("cannot pack " + relative + ": files over 2,147,483,647 bytes cannot be stored");
    total += entry.Size;
    if (total > kMaxSize)
      throw PackError("the files add up to more than 2,147,483,647 bytes, more than a payload holds");
    entries.push_back(std::move(entry));
  });
  std::sort(entries.begin(), entries.end(),
            [](const PackEntry& a, const PackEntry& b) { return a.Name < b.Name; });
  return entries;
}

namespace {

// Writes the volumes into folder, which exists and is empty.
int WriteVolumes(const std::vector<PackEntry>& entries, const fs::path& outFolder,
                 const PackOptions& options, std::uint64_t total) {
  VolumeWriter volume(outFolder, options);
  volume.Open();
  if (volume.Room() < 4) throw PackError("the first volume is too small for the total size");
  const std::string totalBytes = Le32(std::uint32_t(total));
  volume.Write(totalBytes.data(), 4);

  // The installer stops at the last data byte and takes only the empty
  // files whose headers remain in that volume: the last data byte and every
  // empty file after it share the last volume.
  std::size_t lastData = entries.size();
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].Size > 0) lastData = i;
  std::uint64_t tailHeaders = 0;
  for (std::size_t i = lastData == entries.size() ? 0 : lastData + 1; i < entries.size(); ++i)
    tailHeaders += entries[i].Name.size() + 5;

  std::vector<char> buffer(1 << 20);
  std::uint64_t done = 0, reported = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const PackEntry& entry = entries[i];
    const std::string header = EntryHeader(entry.Name, std::uint32_t(entry.Size));
    // A header lies wholly inside one volume: end this one early if need be.
    if (header.size() > volume.Room()) {
      if (done == total)
        throw PackError("the volume size is too small for the empty files at the end");
      volume.Close(true);
      volume.Open();
      if (header.size() > volume.Room())
        throw PackError("the volume size is too small for the header of " + entry.Source.string());
    }
    volume.Write(header.data(), header.size());
    std::ifstream in(entry.Source, std::ios::binary);
    if (!in) throw PackError("cannot read " + entry.Source.string());
    std::uint64_t left = entry.Size;
    while (left > 0) {
      std::uint64_t n = std::min<std::uint64_t>({left, volume.Room(), buffer.size()});
      // Keep the last byte back for a volume with room for the empty files.
      if (i == lastData && left + tailHeaders > volume.Room()) n = std::min(n, left - 1);
      if (n == 0) {
        volume.Close(true);
        volume.Open();
        if (i == lastData && 1 + tailHeaders > volume.Room())
          throw PackError("the volume size is too small for the empty files at the end");
        continue;
      }
      in.read(buffer.data(), std::streamsize(n));
      if (std::uint64_t(in.gcount()) != n) throw PackError(entry.Source.string() + " changed while it was packed");
      volume.Write(buffer.data(), std::size_t(n));
      left -= n;
      done += n;
      if (options.Progress && done - reported >= (16u << 20)) {
        options.Progress(done, total);
        reported = done;
      }
    }
  }
  volume.Close(false);
  if (options.Progress) options.Progress(total, total);
  return volume.Number();
}

}  // namespace

int PackVolumes(const std::vector<PackEntry>& entries, const fs::path& outFolder,
                const PackOptions& options) {
  std::uint64_t total = 0;
  for (const PackEntry& e : entries) total += e.Size;
  if (total > kMaxSize) throw PackError("the files add up to more than 2,147,483,647 bytes");
  if (options.VolumeSize < 2 || (options.FirstVolumeSize != 0 && options.FirstVolumeSize < 6))
    throw PackError("the volume size is too small");

  // Written into a new folder beside, then moved in whole: a failure leaves
  // the output folder as it was (and no new parent folders either).
  // "disks/" is the folder "disks": written beside it, never inside.
  fs::path out = fs::absolute(outFolder).lexically_normal();
  if (out.filename().empty()) out = out.parent_path();
  fs::path firstMade = out;  // the top-most folder this packing makes
  while (firstMade.has_parent_path() && firstMade.parent_path() != firstMade &&
         !fs::exists(firstMade.parent_path()))
    firstMade = firstMade.parent_path();
  const bool outExisted = fs::exists(out);
  const fs::path partial = out.string() + ".partial-" + std::to_string(::getpid());
  int volumes = 0;
  try {
    fs::create_directories(partial);
    volumes = WriteVolumes(entries, partial, options, total);
    if (!outExisted) {
      fs::rename(partial, out);
    } else {
      for (const auto& item : fs::directory_iterator(out))
        if (IsVolumeName(item.path().filename().string())) fs::remove(item.path());
      for (const auto& item : fs::directory_iterator(partial))
        fs::rename(item.path(), out / item.path().filename());
      fs::remove(partial);
    }
  } catch (const std::exception& failure) {
    std::error_code ignored;
    fs::remove_all(partial, ignored);
    if (!outExisted && firstMade != out) {
      // The parents made for it, while nothing else went in.
      for (fs::path p = partial.parent_path(); p != firstMade.parent_path(); p = p.parent_path())
        if (!fs::remove(p, ignored)) break;
    }
    // Said of the folder the user named, not of the one written first.
    std::string message = failure.what();
    const std::string written = partial.string(), named = outFolder.string();
    for (std::size_t at; (at = message.find(written)) != std::string::npos;)
      message.replace(at, written.size(), named);
    throw PackError(message);
  }
  return volumes;
}

namespace {

class VolumeReader {
 public:
  explicit VolumeReader(const fs::path& folder) : folder_(folder) { Open(1); }

  // The next stream byte, moving on to the next volume at a trailer.
  bool DataByte(char& c, bool mayChangeVolume) {
    while (pos_ + 1 >= size_) {
      if (!mayChangeVolume) return false;
      NextVolume();
    }
    in_.get(c);
    ++pos_;
    return bool(in_);
  }

  void Skip(std::uint64_t n) {
    while (n > 0) {
      if (pos_ + 1 >= size_) {
        NextVolume();
        continue;
      }
      const std::uint64_t step = std::min(n, size_ - 1 - pos_);
      in_.seekg(std::streamoff(step), std::ios::cur);
      pos_ += step;
      n -= step;
    }
  }

  const fs::path& Current() const { return current_; }

 private:
  void Open(int number) {
    current_ = folder_ / VolumeFileName(number);
    std::error_code error;
    if (!fs::exists(current_, error)) {
      // A release's folder: each volume on the disk folder of its own.
      for (const auto& item : fs::directory_iterator(folder_, error)) {
        const fs::path there = item.path() / VolumeFileName(number);
        if (item.path().filename().string().rfind("disk", 0) == 0 && fs::exists(there, error)) {
          current_ = there;
          break;
        }
      }
    }
    in_.close();
    in_.open(current_, std::ios::binary);
    if (!in_)
      throw PackError("cannot open " + current_.string() + ": " + std::strerror(errno) +
                      (number == 1 ? " (is this a folder of payload volumes?)" : ""));
    size_ = fs::file_size(current_);
    if (size_ == 0) throw PackError(current_.string() + " is empty");
    pos_ = 0;
  }
  void NextVolume() {
    in_.seekg(std::streamoff(size_ - 1));
    const int next = in_.get();
    if (next <= 0) throw PackError(current_.string() + " ends the volumes before the data ends");
    if (chain_.Take(next) == TVolumeChain::TNext::Again)
      throw PackError("the volumes lead back to " + VolumeFileName(next));
    Open(next);
  }

  fs::path folder_;
  fs::path current_;
  std::ifstream in_;
  std::uint64_t size_ = 0;
  std::uint64_t pos_ = 0;
  TVolumeChain chain_;
};

}  // namespace

int PackedCodePage(const fs::path& folder) {
  const auto read = [](const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  // The number at at, when one follows there and then what may end it.
  const auto number = [](const std::string& text, std::size_t at, const char* ends) {
    std::size_t end = at;
    while (end < text.size() && end - at < 6 && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == at || (end < text.size() && !std::strchr(ends, text[end]))) return 0;
    return std::stoi(text.substr(at, end - at));
  };
  std::error_code error;
  if (fs::exists(folder / "CODEPAGE", error)) return number(read(folder / "CODEPAGE"), 0, "\r\n");
  for (const fs::path& program : {folder / "disk1" / "Setup.exe", folder / "Setup.exe"}) {
    if (!fs::exists(program, error)) continue;
    // The list is stored as it is written: a line "codepage N".
    const std::string bytes = read(program), key = "codepage ";
    for (std::size_t at = bytes.find(key); at != std::string::npos; at = bytes.find(key, at + 1)) {
      const bool lineStart = at == 0 || bytes[at - 1] == '\n' || bytes[at - 1] == '\0';
      if (const int page = lineStart ? number(bytes, at + key.size(), "\n") : 0) return page;
    }
  }
  return 0;
}

std::vector<ListedEntry> ListVolumes(const fs::path& folder, int codePage) {
  const CodePageRules rules(codePage == 0 ? kDefaultCodePage : codePage);
  const codepage::TCodePage& page = rules.Page();
  VolumeReader reader(folder);
  unsigned char totalBytes[4];
  for (unsigned char& byte : totalBytes) {
    char c;
    if (!reader.DataByte(c, false)) throw PackError(reader.Current().string() + " is too short");
    byte = static_cast<unsigned char>(c);
  }
  const std::uint32_t total = FromLe32(totalBytes);
  std::vector<ListedEntry> entries;
  std::uint64_t done = 0;
  for (;;) {
    std::string name;
    char c;
    // Once the data is complete, only empty files left in this volume follow.
    if (done >= total) {
      if (!reader.DataByte(c, false)) break;
    } else if (!reader.DataByte(c, true)) {
      throw PackError(reader.Current().string() + " is damaged");
    }
    // The header lies wholly in one volume.
    while (c != '\0') {
      name += c;
      if (!reader.DataByte(c, false)) throw PackError(reader.Current().string() + ": a header is cut off");
    }
    unsigned char sizeBytes[4];
    for (unsigned char& byte : sizeBytes) {
      if (!reader.DataByte(c, false)) throw PackError(reader.Current().string() + ": a header is cut off");
      byte = static_cast<unsigned char>(c);
    }
    const std::uint32_t size = FromLe32(sizeBytes);
    if (done >= total && size != 0)
      throw PackError(reader.Current().string() + ": more data follows the last file");
    reader.Skip(size);
    std::string shown;
    bool text;
    if (codePage == 0) {
      // Without a code page only ASCII is text: any other byte could be a
      // whole character or half of one.
      text = name.find_first_of(kAboveAscii) == std::string::npos;
      if (text) shown = name;
    } else {
      text = page.ToUtf8(name, shown);
    }
    if (!text) {
      // Not text of this code page: shown byte by byte, never as bytes
      // that are no UTF-8.
      shown.clear();
      static const char* const hex = "0123456789ABCDEF";
      // A byte after one above ASCII may be the second half of its
      // character ("\\" or "|" in 932): escaped too.
      bool afterHigh = false;
      for (unsigned char b : name) {
        if (b >= 0x20 && b < 0x7F && !afterHigh) shown += char(b);
        else shown += std::string("\\x") + hex[b >> 4] + hex[b & 15];
        afterHigh = b >= 0x80 && !afterHigh;
      }
    }
    entries.push_back({size, shown, text});
    done += size;
  }
  return entries;
}

bool IsVolumeName(const std::string& name) {
  static const std::regex volumeName("Setup\\.d[0-9]+", std::regex::icase);
  return std::regex_match(name, volumeName);
}

}  // namespace packer
