// mkvolumes: packs a release folder into the payload volumes Setup.d01,
// Setup.d02, ... that Setup.exe installs from, or lists a set of volumes.
//
//   mkvolumes [--volume-size BYTES|floppy|cd] [--first-volume-size BYTES]
//             [--codepage N] SOURCE_DIR OUTPUT_DIR
//   mkvolumes [--codepage N] --check SOURCE_DIR
//   mkvolumes [--codepage N] --list VOLUME_DIR
//   mkvolumes --digests VOLUME_DIR
//
// A product folder holds Morvella.exe and Uninst.exe at its top (Setup's
// shortcuts and uninstall entry start them); --check judges every name of
// one as packing would, and packs nothing.
// --digests prints the list a release's Setup.exe carries: for each volume
// its size and the SHA-256 of each 1 MiB block, which Setup checks every
// block against before it uses a byte of it.
// Names are stored in the Windows code page N (1252 unless given), the
// ANSI code page of the systems the release is for.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <fstream>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <iostream>
#include <string>

#include "engine/EntryNames.h"
#include "engine/PayloadFormat.h"
#include "tools/VolumePacker.h"

namespace {

const char* const kUsage =
    "usage: mkvolumes [--volume-size BYTES|floppy|cd] [--first-volume-size BYTES] "
    "[--codepage N] SOURCE_DIR OUTPUT_DIR\n"
    "       mkvolumes [--codepage N] --check SOURCE_DIR\n"
    "       mkvolumes [--codepage N] --list VOLUME_DIR\n"
    "       mkvolumes --digests VOLUME_DIR\n"
    "The volume size is cd (681574400 bytes) unless given; floppy is 1457664 bytes. The first\n"
    "volume is as large unless --first-volume-size says less (disk 1 holds Setup.exe too).\n"
    "N is the ANSI code page of the Windows the release is for: 1252 (the default), 1250, 1251,\n"
    "932, 936, 949 or 950. SOURCE_DIR holds Morvella.exe and Uninst.exe at its top.\n";

int Usage() {
  std::cerr << kUsage;
  return 2;
}

bool Served(std::uint64_t codePage) {
  for (int served : packer::kServedCodePages)
    if (codePage == std::uint64_t(served)) return true;
  return false;
}

// The files of the product folder, refused when it lacks a program that
// Setup's shortcuts and uninstall entry start: it would install dangling
// shortcuts and an entry that removes nothing.
std::vector<packer::PackEntry> CollectProduct(const std::string& folder, int codePage) {
  std::vector<packer::PackEntry> entries = packer::CollectEntries(folder, codePage);
  for (const char* program : {"Morvella.exe", "Uninst.exe"}) {
    const bool found = std::any_of(entries.begin(), entries.end(), [&](const packer::PackEntry& entry) {
      return strcasecmp(entry.Name.c_str(), program) == 0;
    });
    if (!found)
      throw std::runtime_error(folder + " holds no " + program +
                               ": a product folder holds Morvella.exe and Uninst.exe at its top, which "
                               "Setup's shortcuts and uninstall entry start");
  }
  return entries;
}

bool ParseSize(const std::string& text, std::uint64_t& size) {
  if (text == "floppy") size = packer::kFloppyBytes;
  else if (text == "cd") size = packer::kCdBytes;
  else {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    size = std::stoull(text);
  }
  return true;
}

// The digest list of the volumes Setup.d01, Setup.d02, ... in folder.
std::string DigestList(const std::string& folder) {
  std::string list;
  for (int number = 1; number <= 255; ++number) {
    std::ifstream in(folder + "/" + VolumeFileName(number), std::ios::binary);
    if (!in) continue;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("cannot read " + folder + "/" + VolumeFileName(number));
    list += VolumeDigestLine(number, bytes);
  }
  if (list.empty()) throw std::runtime_error("no volume Setup.d01 ... in " + folder);
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    packer::PackOptions options;
    std::uint64_t codePage = packer::kDefaultCodePage;
    bool list = false, check = false, codePageGiven = false;
    int i = 1;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
      std::cout << kUsage;
      return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--digests") == 0) {
      std::cout << DigestList(argv[2]);
      return 0;
    }
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
      if (std::strcmp(argv[i], "--list") == 0 || std::strcmp(argv[i], "--check") == 0) {
        list = list || std::strcmp(argv[i], "--list") == 0;
        check = check || std::strcmp(argv[i], "--check") == 0;
        --i;
        continue;
      }
      if (i + 1 >= argc) return Usage();
      std::uint64_t* target = std::strcmp(argv[i], "--volume-size") == 0 ? &options.VolumeSize
                              : std::strcmp(argv[i], "--first-volume-size") == 0
                                  ? &options.FirstVolumeSize
                              : std::strcmp(argv[i], "--codepage") == 0 ? &codePage
                                                                        : nullptr;
      if (!target) {
        std::cerr << "mkvolumes: unknown option " << argv[i] << "\n";
        return Usage();
      }
      codePageGiven = codePageGiven || target == &codePage;
      if (!ParseSize(argv[i + 1], *target) || (target == &codePage && !Served(codePage))) {
        std::cerr << "mkvolumes: " << argv[i] << " " << argv[i + 1] << " is not "
                  << (target == &codePage ? "a code page Setup serves (1252, 1250, 1251, 932, 936, 949 or "
                                            "950: the ANSI code pages of Windows' programs that are not "
                                            "Unicode; 65001, UTF-8, is none of them)"
                                          : "a size (a number of bytes, floppy or cd)")
                  << "\n";
        return 2;
      }
    }
    if (options.FirstVolumeSize > options.VolumeSize) {
      std::cerr << "mkvolumes: --first-volume-size " << options.FirstVolumeSize << " is more than the volume size "
                << options.VolumeSize << ": the first volume is the one that shares its disk with Setup.exe\n";
      return 2;
    }
    if (list) {
      if (argc - i != 1) return Usage();
      // A release tells the code page it was packed for.
      const int packed = packer::PackedCodePage(argv[i]);
      if (packed && codePageGiven && std::uint64_t(packed) != codePage) {
        std::cerr << "mkvolumes: " << argv[i] << " was packed for code page " << packed
                  << ": give --codepage " << packed << " or none\n";
        return 1;
      }
      if (packed && !codePageGiven) codePage = std::uint64_t(packed);
      // Nothing tells the code page: names outside ASCII cannot be read.
      const bool known = packed || codePageGiven;
      bool allText = true;
      for (const auto& entry : packer::ListVolumes(argv[i], known ? int(codePage) : 0)) {
        std::cout << entry.Size << '\t' << entry.Name << '\n';
        allText = allText && entry.Text;
      }
      if (!allText && !known) {
        std::cerr << "mkvolumes: nothing beside the volumes tells their code page, so names outside ASCII "
                     "are shown byte by byte (\\xNN): give --codepage N, the one they were packed for "
                     "(1252 unless another was given)\n";
        return 1;
      }
      if (!allText) {
        std::cerr << "mkvolumes: some names are no text of code page " << codePage
                  << " (shown as \\xNN): give the --codepage the volumes were packed with"
                  << (packed ? "" : " (their release's Setup.exe names it)") << "\n";
        return 1;
      }
      return 0;
    }
    if (check) {
      if (argc - i != 1) return Usage();
      const auto entries = CollectProduct(argv[i], int(codePage));
      std::cout << "mkvolumes: " << entries.size() << " files in " << argv[i] << " can be packed for code page "
                << codePage << '\n';
      return 0;
    }
    if (argc - i != 2) return Usage();
    // An output folder inside the product would be packed into the next
    // release.
    std::error_code sourceError, outputError;
    const std::filesystem::path source = std::filesystem::weakly_canonical(argv[i], sourceError);
    const std::filesystem::path output = std::filesystem::weakly_canonical(argv[i + 1], outputError);
    const auto outside = std::mismatch(source.begin(), source.end(), output.begin(), output.end());
    if (!sourceError && !outputError && outside.first == source.end())
      throw std::runtime_error("the output folder " + std::string(argv[i + 1]) + " lies inside the product folder " +
                               argv[i] + ": name a folder outside it");
    const auto entries = CollectProduct(argv[i], int(codePage));
    std::uint64_t total = 0;
    for (const auto& e : entries) total += e.Size;
    const bool showProgress = total > (64u << 20) && isatty(STDERR_FILENO);
    if (showProgress) {
      options.Progress = [](std::uint64_t done, std::uint64_t all) {
        std::fprintf(stderr, "\rmkvolumes: %llu of %llu MiB", (unsigned long long)(done >> 20),
                     (unsigned long long)(all >> 20));
        if (done == all) std::fputc('\n', stderr);
      };
    }
    const int volumes = packer::PackVolumes(entries, argv[i + 1], options);
    std::cout << "mkvolumes: " << entries.size() << " files, " << total << " bytes, " << volumes
              << (volumes == 1 ? " volume" : " volumes") << " in " << argv[i + 1] << '\n';
    if (volumes > 1 && options.VolumeSize == packer::kFloppyBytes && options.FirstVolumeSize == 0)
      std::cerr << "mkvolumes: Setup.d01 fills a whole floppy, so Setup.exe cannot go on disk 1 beside it: "
                   "pack again with --first-volume-size " << packer::kFloppyBytes << " less the size of Setup.exe "
                   "(scripts/release does this by itself)\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "mkvolumes: " << e.what() << '\n';
    return 1;
  }
}
