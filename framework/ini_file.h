// Ini files read whole into memory and changed there. Nothing is written until the owner puts
// Text() onto the file in one step, so a failed write never leaves a settings file empty or cut.
// Sections and keys match without regard to ASCII letter case, as the system's profile routines
// match them; a value in matching quotes reads without them.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace framework {

class IniFile {
 public:
  // Reads the file; a missing file is an empty one. Raises framework::Exception, naming the file
  // and the cause, when the file exists but cannot be read: its settings would otherwise be
  // overwritten with defaults.
  //
  // A file that starts with a byte-order mark is read as the mark says (UTF-8, UTF-16 in either
  // byte order), UTF-16 without a mark is told by its 0 bytes, and its texts are UTF-8 in memory;
  // FileContent() gives it back in its encoding. Lines are kept as the file holds them, line
  // breaks, blanks, comments and blank lines included, until the key they carry is changed.
  explicit IniFile(std::string path);
  // How a file's lines become sections: kept as they stand (the module's settings files, whose
  // lines we do not own survive a write), or joined the way a memory ini file reads them
  // (repeated sections join the first, comments and lines outside a section are dropped).
  enum class Lines { Keep, Join };
  IniFile(std::string path, Lines lines);
  // The lines of `text`, read as a file's would be; the path is empty.
  static IniFile FromText(std::string_view text, Lines lines);
  const std::string& Path() const noexcept { return path_; }

  // The value, or `fallback` when the key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // A decimal integer; `fallback` when the key is missing or its value is no integer.
  int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
  // Any integer other than 0 reads as true; no integer gives `fallback`.
  bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

  // Sets the key, adding the section at the end and the key at the section's end when absent.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);  // "1" / "0"

  // A section with at least one key.
  bool SectionExists(const std::string& section) const;
  // A section whose header is there, with keys or without: an empty section can say something.
  bool HasSection(const std::string& section) const;
  // Adds the section, empty, at the end when it is not there.
  void WriteSection(const std::string& section);
  void EraseSection(const std::string& section);
  // All the named sections in one pass over the file, however many they are.
  void EraseSections(const std::vector<std::string>& sections);
  void DeleteKey(const std::string& section, const std::string& key);
  // The named sections in file order.
  std::vector<std::string> SectionNames() const;
  // The section's "key=value" lines in file order.
  std::vector<std::string> ReadSectionValues(const std::string& section) const;

  // The whole file as it stands now, in file order: each line read and not changed since as the
  // file held it; new and changed ones as "[section]" and "key=value" ended by CR LF.
  std::string Text() const;
  // Text() as the file holds it: behind its byte-order mark, if it had one, and in the encoding
  // it was read in. Raises framework::Exception, naming the file, when the file read is not text
  // (a binary file): writing lines into it would damage it.
  std::string FileContent() const;

  // How the file was stored: plain bytes (the ANSI code page), or behind a byte-order mark.
  enum class Encoding { Plain, Utf8, Utf16LittleEndian, Utf16BigEndian };
  Encoding encoding() const noexcept { return encoding_; }

 private:
  struct Entry {
    std::string key;  // or the whole line, trimmed, of a line without "="; empty: a blank line
    std::string value;
    bool has_value;
    std::string as_read;  // the line as the file held it, break included; empty once changed
  };
  // Names are found through maps from their upper-cased form to the first match, so that
  // reading or writing a file of n keys costs n steps, not n squared.
  using Index = std::unordered_map<std::string, size_t>;
  struct Section {
    std::string name;    // empty for lines before the first section
    std::string header;  // the "[name]" line as the file held it; empty when new
    std::vector<Entry> entries;
    Index keys;  // to the first entry with a value of each key

    const Entry* Find(const std::string& key) const;
    void Append(Entry entry);
    void Set(const std::string& key, const std::string& value);
    void Reindex();
  };

  void Parse(std::string_view text, Lines lines);
  const Section* FindSection(const std::string& name) const;
  Section* FindSection(const std::string& name);
  Section& AddSection(std::string name);
  void JoinSections();

  std::string path_;
  Encoding encoding_ = Encoding::Plain;
  bool marked_ = false;  // the file began with a byte-order mark
  bool text_ = true;     // false: a binary file, never to be rewritten
  std::vector<Section> sections_;
  Index section_index_;  // to the first section of each name
};

}  // namespace framework
