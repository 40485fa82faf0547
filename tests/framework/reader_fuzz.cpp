// Fuzzing of the form, bitmap and ini readers.
#include "reader_fuzz.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "framework/form_resource.h"
#include "framework/ini_file.h"
#include "framework/picture.h"
#include "reader_samples.h"
#include "sample_form.h"
#include "support/test_paths.h"

namespace fuzz {
namespace {

using namespace framework;

std::string Failure(const std::string& what, const std::string& input) {
  return what + "\n--- input ---\n" + input;
}

// ---- Form descriptions ----------------------------------------------------------------------

std::string DamageDescription(std::string text, std::mt19937& random) {
  static const char* const kPieces[] = {"'",          "#",
                                        "{",          "}",
                                        "[",          "]",
                                        "(",          ")",
                                        "=",          ":",
                                        "end",        "object",
                                        "-",          "$",
                                        "9999999999", ".",
                                        "\n",         "object P: TPanel\n",
                                        "#65536",     "{ 0754426974 }",
                                        "--"};
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < edits && !text.empty(); ++i) {
    const size_t at = random() % text.size();
    switch (random() % 4) {
      case 0: text[at] = static_cast<char>(random() % 256); break;
      case 1: text.erase(at, 1 + random() % 20); break;
      case 2: text.insert(at, kPieces[random() % std::size(kPieces)]); break;
      case 3: text.insert(at, text.substr(random() % text.size(), random() % 60)); break;
    }
  }
  return text;
}

// ---- Bitmaps --------------------------------------------------------------------------------

std::vector<std::string> GoodBitmaps() {
  using samples::BitmapSpec;
  std::vector<BitmapSpec> specs(7);
  specs[1].bits = 1, specs[1].table_entries = 2, specs[1].width = 13;
  specs[2].bits = 4, specs[2].table_entries = 16, specs[2].height = -5;
  specs[3].bits = 24, specs[3].table_entries = 0, specs[3].width = 7;
  specs[4].bits = 32, specs[4].table_entries = 0;
  specs[5].bits = 16, specs[5].compression = BI_BITFIELDS, specs[5].table_entries = 3;
  specs[6].compression = BI_RLE8, specs[6].size_image = 64, specs[6].colours_used = 4,
  specs[6].table_entries = 4;
  std::vector<std::string> files;
  for (const BitmapSpec& spec : specs) files.push_back(samples::BitmapFile(spec));
  return files;
}

template <class T>
void Put(std::string& bytes, size_t at, T value) {
  if (at + sizeof value <= bytes.size()) std::memcpy(bytes.data() + at, &value, sizeof value);
}

std::string DamageBitmap(std::string bytes, std::mt19937& random) {
  // The file and info header fields: offsets of DWORDs (and the two WORDs at 26 and 28).
  static constexpr size_t kFields[] = {2, 10, 14, 18, 22, 30, 34, 38, 42, 46, 50};
  static constexpr DWORD kValues[] = {0,          1,          2,          3,          4,
                                      40,         124,        255,        256,        257,
                                      0x7FFF,     0x8000,     0xFFFF,     0x10000,    0x40000000,
                                      0x7FFFFFFF, 0x80000000, 0xFFFFFFF2, 0xFFFFFFFF, 0x00100000};
  const int edits = 1 + static_cast<int>(random() % 3);
  for (int i = 0; i < edits && !bytes.empty(); ++i) {
    switch (random() % 6) {
      case 0:
        Put(bytes, kFields[random() % std::size(kFields)], kValues[random() % std::size(kValues)]);
        break;
      case 1: Put(bytes, random() % 2 ? 26 : 28, static_cast<WORD>(random() % 40)); break;
      case 2: bytes[random() % bytes.size()] = static_cast<char>(random()); break;
      case 3: bytes.resize(random() % bytes.size()); break;
      case 4: bytes.append(random() % 2048, static_cast<char>(random())); break;
      case 5: bytes.erase(std::min<size_t>(14 + random() % 80, bytes.size()), random() % 64); break;
    }
  }
  return bytes;
}

// ---- Ini files ------------------------------------------------------------------------------

std::string DamagedIniText(std::mt19937& random) {
  static const char* const kLines[] = {"; comment",
                                       "[Main]",
                                       " Left = 10",
                                       "Top=$1F",
                                       "[main]",
                                       "Width=5",
                                       "Quoted=\"a b\"",
                                       "Single='x'",
                                       "NoEquals",
                                       "=EmptyKey",
                                       "[Other",
                                       " [ Spaced ] ",
                                       "Key=Value=More",
                                       "[]",
                                       "left=20",
                                       ";key=hidden",
                                       "\t\tTabbed\t=\t1\t",
                                       "[Last]",
                                       "KEY=upper",
                                       "key=",
                                       "[ main ]"};
  static const char* const kEnds[] = {"\r\n", "\n", "\r", "\r\r\n"};
  static const char kBytes[] = "[]=; \t\"'abcAB01\r\n\x80\xFF";
  std::string text;
  const int lines = static_cast<int>(random() % 40);
  for (int i = 0; i < lines; ++i) {
    if (random() % 5 == 0) {
      for (int k = static_cast<int>(random() % 12); k > 0; --k) {
        text += kBytes[random() % (sizeof kBytes - 1)];
      }
    } else {
      text += kLines[random() % std::size(kLines)];
    }
    text += kEnds[random() % std::size(kEnds)];
  }
  return text;
}

// The file as a plain list of sections and keys, searched one by one as a reader without
// indexes would: what the reader's indexes must agree with after every change.
class IniModel {
 public:
  explicit IniModel(const IniFile& ini) {
    for (const std::string& name : ini.SectionNames()) {
      Section& section = sections_.emplace_back();
      section.name = name;
      for (const std::string& line : ini.ReadSectionValues(name)) {
        const size_t equals = line.find('=');
        section.keys.push_back({line.substr(0, equals), line.substr(equals + 1)});
      }
    }
  }
  std::string Read(const std::string& section, const std::string& key) const {
    for (const Section& s : sections_) {
      if (!Same(s.name, section)) continue;
      for (const auto& [name, value] : s.keys) {
        if (!Same(name, key)) continue;
        const bool quoted =
            value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
        return quoted ? value.substr(1, value.size() - 2) : value;
      }
      return "<none>";
    }
    return "<none>";
  }
  void Write(const std::string& section, const std::string& key, const std::string& value) {
    Section* found = nullptr;
    for (Section& s : sections_) {
      if (Same(s.name, section)) {
        found = &s;
        break;
      }
    }
    if (!found) {
      found = &sections_.emplace_back();
      found->name = section;
    }
    for (auto& entry : found->keys) {
      if (Same(entry.first, key)) {
        entry.second = value;
        return;
      }
    }
    found->keys.push_back({key, value});
  }
  void Delete(const std::string& section, const std::string& key) {
    for (Section& s : sections_) {
      if (!Same(s.name, section)) continue;
      std::erase_if(s.keys, [&](const auto& entry) { return Same(entry.first, key); });
      return;
    }
  }
  void Erase(const std::string& section) {
    std::erase_if(sections_, [&](const Section& s) { return Same(s.name, section); });
  }
  std::string Text() const {
    std::string text;
    for (const Section& s : sections_) {
      text += "[" + s.name + "]\r\n";
      for (const auto& [name, value] : s.keys) text += name + "=" + value + "\r\n";
    }
    return text;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const Section& s : sections_) {
      names.push_back(s.name);
      for (const auto& entry : s.keys) names.push_back(entry.first);
    }
    return names;
  }

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
  };
  static bool Same(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
      if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
  }
  std::vector<Section> sections_;
};

// A name the file has, in another letter case now and then, or a new one. Never the empty
// name: that is the unnamed part before the first section, which a joined file has not.
std::string PickName(const std::vector<std::string>& names, std::mt19937& random) {
  std::string name = names.empty() ? "" : names[random() % names.size()];
  if (name.empty() || random() % 4 == 0) return "New" + std::to_string(random() % 5);
  if (random() % 2) {
    for (char& c : name) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
  }
  return name;
}

std::string ChangeAndCompare(IniFile& ini, std::mt19937& random) {
  IniModel model(ini);
  if (ini.Text() != model.Text()) return "the joined file differs from its sections";
  for (int step = 0; step < 12; ++step) {
    const std::vector<std::string> names = model.Names();
    const std::string section = PickName(names, random), key = PickName(names, random);
    switch (random() % 4) {
      case 0:
      case 1: {
        const std::string value = random() % 3 ? "v" + std::to_string(step) : "'quoted'";
        ini.WriteString(section, key, value);
        model.Write(section, key, value);
        break;
      }
      case 2:
        ini.DeleteKey(section, key);
        model.Delete(section, key);
        break;
      case 3:
        ini.EraseSection(section);
        model.Erase(section);
        break;
    }
    if (ini.ReadString(section, key, "<none>") != model.Read(section, key)) {
      return "ReadString of " + section + "/" + key + " differs from the model";
    }
    if (ini.Text() != model.Text()) return "the text differs from the model after a change";
  }
  return "";
}

}  // namespace

std::string FuzzFormReader(const std::string& description, uint32_t seed, int iterations) {
  testforms::RegisterSampleClasses();
  std::mt19937 random(seed);
  for (int i = 0; i < iterations; ++i) {
    const std::string text = DamageDescription(description, random);
    try {
      testforms::TSampleForm form(nullptr, "");
      ReadComponentText(form, text, "fuzz");
      WriteComponentText(form);
    } catch (const EFormError&) {
    } catch (const std::exception& e) {
      return Failure(std::string("not a form error: ") + e.what(), text);
    }
  }
  return "";
}

std::string FuzzBitmapReader(uint32_t seed, int iterations) {
  std::mt19937 random(seed);
  const std::vector<std::string> good = GoodBitmaps();
  for (int i = 0; i < iterations; ++i) {
    const std::string bytes = DamageBitmap(good[random() % good.size()], random);
    const bool as_picture = i % 4 == 0;
    TMemoryStream stream;
    if (as_picture) stream.WriteString("\x07TBitmap");
    stream.WriteString(bytes);
    stream.SetPosition(0);
    try {
      TBitmap bitmap(2, 2);
      TPicture picture;
      if (as_picture) {
        picture.ReadData(stream);
      } else {
        bitmap.LoadFromStream(stream);
      }
      const TBitmap& read = as_picture ? picture.Bitmap() : bitmap;
      if (read.Empty()) return Failure("an empty bitmap was read", bytes);
      const int64_t memory = int64_t{read.Width()} * read.Height() * 3;
      if (memory > PictureMemoryBudget(static_cast<int64_t>(bytes.size()))) {
        return Failure("the bitmap takes more memory than its data allows", bytes);
      }
      read.ScanLineForReading(read.Height() - 1);
    } catch (const EInvalidGraphic&) {
    } catch (const std::exception& e) {
      return Failure(std::string("not a graphic error: ") + e.what(), bytes);
    }
  }
  return "";
}

std::string FuzzIniReader(const std::string& path, uint32_t seed, int iterations) {
  std::mt19937 random(seed);
  for (int i = 0; i < iterations; ++i) {
    const std::string text = DamagedIniText(random);
    try {
      // Kept lines: what is written reads back as written.
      const IniFile kept = IniFile::FromText(text, IniFile::Lines::Keep);
      if (IniFile::FromText(kept.Text(), IniFile::Lines::Keep).Text() != kept.Text()) {
        return Failure("kept lines do not read back as written", text);
      }
      IniFile joined = IniFile::FromText(text, IniFile::Lines::Join);
      // Now and then through a file, as the settings classes read it.
      if (i % 50 == 0) {
        testsupport::WriteFile(path, text);
        if (IniFile(path, IniFile::Lines::Join).Text() != joined.Text()) {
          return Failure("the file reads otherwise than its text", text);
        }
      }
      if (std::string why = ChangeAndCompare(joined, random); !why.empty()) {
        return Failure(why, text);
      }
    } catch (const std::exception& e) {
      return Failure(std::string("an ini text that could not be read: ") + e.what(), text);
    }
  }
  return "";
}

}  // namespace fuzz
