#include "tools/refserver/refstore.h"

#include <sqlite3.h>

#include <cstring>

namespace refserver {

namespace {

const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS users (id INTEGER PRIMARY KEY, login TEXT UNIQUE NOT NULL, password TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS tokens (token TEXT PRIMARY KEY, user_id INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS projects (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS files (id INTEGER PRIMARY KEY, project_id INTEGER NOT NULL, file_number TEXT NOT NULL,
                                  file_name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS practice_groups (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS activities (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS time_entries (
  id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL, real_time INTEGER NOT NULL,
  invoice_time INTEGER NOT NULL, project_id INTEGER NOT NULL, file_id INTEGER NOT NULL,
  activity_id INTEGER NOT NULL, practice_group_id INTEGER NOT NULL, note TEXT NOT NULL, note_add TEXT NOT NULL,
  day TEXT NOT NULL, received_at TEXT NOT NULL DEFAULT (datetime('now')));
)sql";

const char* kDemoData = R"sql(
INSERT INTO users (login, password) VALUES ('demo', 'demo');
INSERT INTO projects (id, name) VALUES
  (1, 'Müller & Söhne GmbH'), (2, 'O''Brien Consulting'), (3, 'Bäckerei Schäfer'), (4, 'Stadtwerke Köln AöR');
INSERT INTO files (id, project_id, file_number, file_name) VALUES
  (101, 1, '2024/0001', 'Müller ./. Schmidt – Kaufvertrag'),
  (102, 1, '2024/0002', 'Müller & Söhne – Arbeitsrecht'),
  (201, 2, '2024/0010', 'O''Brien – Markenanmeldung'),
  (301, 3, '2024/0020', 'Schäfer – Mietstreit Gärtnerstraße'),
  (401, 4, '2024/0030', 'Stadtwerke – Vergabe Straßenbeleuchtung');
INSERT INTO practice_groups (id, name) VALUES (1, 'Arbeitsrecht'), (2, 'Gesellschaftsrecht'), (3, 'Öffentliches Recht');
INSERT INTO activities (id, name) VALUES
  (1, 'Besprechung'), (2, 'Schriftsatz'), (3, 'Telefonat'), (4, 'Recherche'), (5, 'Gerichtstermin');
)sql";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool ok() const { return stmt_ != nullptr; }
  void bind(int i, const std::string& text) {
    sqlite3_bind_text(stmt_, i, text.data(), int(text.size()), SQLITE_TRANSIENT);
  }
  void bind(int i, long long n) { sqlite3_bind_int64(stmt_, i, n); }
  bool step() { return sqlite3_step(stmt_) == SQLITE_ROW; }
  int run() { return sqlite3_step(stmt_); }
  void reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  long long integer(int col) { return sqlite3_column_int64(stmt_, col); }
  std::string text(int col) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    return t ? std::string(t, std::size_t(sqlite3_column_bytes(stmt_, col))) : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

bool Exists(sqlite3* db, const char* sql, long long id) {
  Statement s(db, sql);
  s.bind(1, id);
  return s.step();
}

bool ValidDay(const std::string& d) {
  if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
  for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
    if (d[i] < '0' || d[i] > '9') return false;
  const int month = std::stoi(d.substr(5, 2));
  const int day = std::stoi(d.substr(8, 2));
  const int year = std::stoi(d.substr(0, 4));
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return !(month == 2 && day == 29 && !leap);
}

}  // namespace

const std::string* Form::get(const std::string& name) const {
  for (const auto& p : pairs)
    if (p.first == name) return &p.second;
  return nullptr;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

Form ParseForm(const std::string& body) {
  Form form;
  std::size_t start = 0;
  while (start <= body.size()) {
    std::size_t end = body.find('&', start);
    if (end == std::string::npos) end = body.size();
    const std::string part = body.substr(start, end - start);
    if (!part.empty()) {
      const std::size_t eq = part.find('=');
      if (eq == std::string::npos)
        form.pairs.emplace_back(PercentDecode(part), std::string());
      else
        form.pairs.emplace_back(PercentDecode(part.substr(0, eq)), PercentDecode(part.substr(eq + 1)));
    }
    start = end + 1;
  }
  return form;
}

Store::~Store() {
  if (db_) sqlite3_close(db_);
}

bool Store::exec(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Store::open(const std::string& path, std::string* error) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
    *error = db_ ? sqlite3_errmsg(db_) : "out of memory";
    return false;
  }
  sqlite3_busy_timeout(db_, 3000);
  if (!exec(kSchema)) {
    *error = sqlite3_errmsg(db_);
    return false;
  }
  Statement count(db_, "SELECT count(*) FROM users");
  if (count.step() && count.integer(0) == 0) {
    if (!exec("BEGIN") || !exec(kDemoData) || !exec("COMMIT")) {
      *error = sqlite3_errmsg(db_);
      return false;
    }
  }
  return true;
}

std::optional<long long> Store::checkUser(const std::string& login, const std::string& password) {
  Statement s(db_, "SELECT id FROM users WHERE login = ?1 AND password = ?2");
  s.bind(1, login);
  s.bind(2, password);
  if (s.step()) return s.integer(0);
  return std::nullopt;
}

void Store::addToken(const std::string& token, long long userId) {
  Statement s(db_, "INSERT INTO tokens (token, user_id) VALUES (?1, ?2)");
  s.bind(1, token);
  s.bind(2, userId);
  s.run();
}

std::optional<long long> Store::userOfToken(const std::string& token) {
  if (token.empty()) return std::nullopt;
  Statement s(db_, "SELECT user_id FROM tokens WHERE token = ?1");
  s.bind(1, token);
  if (s.step()) return s.integer(0);
  return std::nullopt;
}

nlohmann::ordered_json Store::masterRows(const std::string& request) {
  nlohmann::ordered_json rows = nlohmann::ordered_json::array();
  if (request == "getFiles") {
    Statement s(db_, "SELECT id, project_id, file_number, file_name FROM files ORDER BY id");
    while (s.step()) {
      nlohmann::ordered_json row = nlohmann::ordered_json::object();
      row["id"] = s.integer(0);
      row["project_id"] = s.integer(1);
      row["file_number"] = s.text(2);
      row["file_name"] = s.text(3);
      rows.push_back(std::move(row));
    }
    return rows;
  }
  const char* sql = request == "getProjects"         ? "SELECT id, name FROM projects ORDER BY id"
                    : request == "getPracticeGroups" ? "SELECT id, name FROM practice_groups ORDER BY id"
                                                     : "SELECT id, name FROM activities ORDER BY id";
  Statement s(db_, sql);
  while (s.step()) {
    nlohmann::ordered_json row = nlohmann::ordered_json::object();
    row["id"] = s.integer(0);
    row["name"] = s.text(1);
    rows.push_back(std::move(row));
  }
  return rows;
}

InsertResult Store::insertEntries(long long userId, const nlohmann::ordered_json& entries) {
  InsertResult result;
  exec("BEGIN");
  Statement insert(db_,
                   "INSERT INTO time_entries (user_id, real_time, invoice_time, project_id, file_id, activity_id, "
                   "practice_group_id, note, note_add, day) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& e = entries[i];
    auto integer = [&e](const char* key) -> std::optional<long long> {
      if (!e.is_object() || !e.contains(key) || !e[key].is_number_integer()) return std::nullopt;
      return e[key].get<long long>();
    };
    auto text = [&e](const char* key) -> std::optional<std::string> {
      if (!e.is_object() || !e.contains(key) || !e[key].is_string()) return std::nullopt;
      return e[key].get<std::string>();
    };
    const auto real = integer("real"), invoice = integer("invoice"), project = integer("project"),
               file = integer("file"), activity = integer("activity"), group = integer("practice_group");
    const auto note = text("note"), noteAdd = text("note_add"), day = text("date");
    bool valid = real && invoice && project && file && activity && group && note && noteAdd && day;
    if (valid) {
      valid = *real > 0 && *real <= 1440 && *invoice >= 0 && *invoice <= 1440 && !note->empty() && ValidDay(*day);
    }
    if (valid) {
      Statement fileOfProject(db_, "SELECT 1 FROM files WHERE id = ?1 AND project_id = ?2");
      fileOfProject.bind(1, *file);
      fileOfProject.bind(2, *project);
      valid = fileOfProject.step() && Exists(db_, "SELECT 1 FROM activities WHERE id = ?1", *activity) &&
              Exists(db_, "SELECT 1 FROM practice_groups WHERE id = ?1", *group);
    }
    if (valid) {
      insert.reset();
      insert.bind(1, userId);
      insert.bind(2, *real);
      insert.bind(3, *invoice);
      insert.bind(4, *project);
      insert.bind(5, *file);
      insert.bind(6, *activity);
      insert.bind(7, *group);
      insert.bind(8, *note);
      insert.bind(9, *noteAdd);
      insert.bind(10, *day);
      valid = insert.run() == SQLITE_DONE;
    }
    if (valid)
      ++result.inserted;
    else
      result.failures.push_back(i);
  }
  exec("COMMIT");
  return result;
}

}  // namespace refserver
