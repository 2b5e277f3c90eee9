#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

struct sqlite3;

namespace refserver {

// A form body as the client sends it: pairs split at "&", each at its first
// "=", both sides percent-decoded. A "+" is a plus sign, not a blank.
struct Form {
  std::vector<std::pair<std::string, std::string>> pairs;
  // The first value of that name, or nullptr.
  const std::string* get(const std::string& name) const;
};
Form ParseForm(const std::string& body);
std::string PercentDecode(const std::string& text);

struct InsertResult {
  int inserted = 0;
  std::vector<std::size_t> failures;  // positions in the array, from 0
};

// The server's own database: users, tokens, master data and received entries.
// A new file gets the schema and the demo data.
class Store {
 public:
  Store() = default;
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  bool open(const std::string& path, std::string* error);

  std::optional<long long> checkUser(const std::string& login, const std::string& password);
  void addToken(const std::string& token, long long userId);
  std::optional<long long> userOfToken(const std::string& token);

  // The rows of getProjects, getFiles, getPracticeGroups or getActivities.
  nlohmann::ordered_json masterRows(const std::string& request);

  // Stores every valid entry; invalid ones are reported by position.
  InsertResult insertEntries(long long userId, const nlohmann::ordered_json& entries);

 private:
  bool exec(const char* sql);
  sqlite3* db_ = nullptr;
};

}  // namespace refserver
