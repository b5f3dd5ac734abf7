#pragma once

#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kv::test {

// Reads a fixture of hex bytes: whitespace-separated two-digit hex numbers, `#` starts a comment
// that runs to the end of the line. Throws std::runtime_error when the file is missing or holds
// anything else, so a broken fixture fails the test instead of parsing as fewer bytes.
inline std::vector<uint8_t> ReadHexFixture(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open fixture " + path);
  std::vector<uint8_t> bytes;
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
      if (word.size() != 2 || !std::isxdigit(static_cast<unsigned char>(word[0])) ||
          !std::isxdigit(static_cast<unsigned char>(word[1]))) {
        throw std::runtime_error("bad hex byte '" + word + "' in " + path);
      }
      bytes.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
    }
  }
  return bytes;
}

// Path of a file under tests/fixtures.
inline std::string FixturePath(const std::string& relative) {
  return std::string(KV_TEST_FIXTURES) + "/" + relative;
}

}  // namespace kv::test
