#include "platform/Profile.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <unistd.h>

namespace pellory::platform {
namespace {

std::string Trim(const std::string& s) {
  std::string::size_type b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  std::string::size_type e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::vector<std::string> ReadLines(const std::string& file, bool* exists) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  if (exists) *exists = static_cast<bool>(in);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "[name]" -> name; empty optional result when the line is no section header.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  std::string::size_type close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

bool KeyOf(const std::string& line, std::string& key, std::string& value) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return false;
  std::string::size_type eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return true;
}

// Line range [begin, end) of a section's body, or begin == -1 when absent.
void FindSection(const std::vector<std::string>& lines, const std::string& section, long& header, long& end) {
  header = -1;
  end = static_cast<long>(lines.size());
  std::string name;
  for (long i = 0; i < static_cast<long>(lines.size()); ++i) {
    if (!SectionName(lines[i], name)) continue;
    if (header >= 0) {
      end = i;
      return;
    }
    if (SameName(name, section)) header = i;
  }
}

// Written whole to a temporary file and renamed, so a crash never leaves half a file.
bool WriteLines(const std::string& file, const std::vector<std::string>& lines) {
  std::string tmp = file + ".tmp" + std::to_string(static_cast<long>(getpid()));
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const std::string& l : lines) out << l << "\r\n";
    out.flush();
    if (!out) {
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), file.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

// Trims trailing blank lines of a section body so that rewrites do not pile up blank lines.
long LastContentLine(const std::vector<std::string>& lines, long header, long end) {
  long last = end;
  while (last - 1 > header && Trim(lines[last - 1]).empty()) --last;
  return last;
}

}  // namespace

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file,
                             std::size_t bufferSize) {
  std::string answer = defaultValue;
  std::vector<std::string> lines = ReadLines(file, nullptr);
  long header = -1, end = 0;
  FindSection(lines, section, header, end);
  if (header >= 0) {
    std::string k, v;
    for (long i = header + 1; i < end; ++i) {
      if (KeyOf(lines[i], k, v) && SameName(k, key)) {
        // Windows drops one pair of matching quotes around a value.
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
          v = v.substr(1, v.size() - 2);
        answer = v;
        break;
      }
    }
  }
  if (bufferSize == 0) return std::string();
  if (answer.size() > bufferSize - 1) answer.resize(bufferSize - 1);
  return answer;
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
  std::vector<std::string> lines = ReadLines(file, nullptr);
  long header = -1, end = 0;
  FindSection(lines, section, header, end);
  const std::string entry = key + "=" + value;
  if (header < 0) {
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
    return WriteLines(file, lines);
  }
  std::string k, v;
  for (long i = header + 1; i < end; ++i) {
    if (KeyOf(lines[i], k, v) && SameName(k, key)) {
      lines[i] = entry;
      return WriteLines(file, lines);
    }
  }
  lines.insert(lines.begin() + LastContentLine(lines, header, end), entry);
  return WriteLines(file, lines);
}

bool WriteProfileSection(const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries,
                         const std::string& file) {
  std::vector<std::string> lines = ReadLines(file, nullptr);
  long header = -1, end = 0;
  FindSection(lines, section, header, end);
  std::vector<std::string> body;
  for (const auto& e : entries) body.push_back(e.first + "=" + e.second);
  if (header < 0) {
    lines.push_back("[" + section + "]");
    lines.insert(lines.end(), body.begin(), body.end());
  } else {
    long last = LastContentLine(lines, header, end);
    lines.erase(lines.begin() + header + 1, lines.begin() + last);
    lines.insert(lines.begin() + header + 1, body.begin(), body.end());
  }
  return WriteLines(file, lines);
}

}  // namespace pellory::platform
