// Reference server for the Kairon client: sign-in, the four master-data
// requests and the upload of time entries, on its own SQLite file.
//
//   kairon_refserver [--host 127.0.0.1] [--port 8765] [--db kairon_refserver.db3]
//                    [--cert server.crt --key server.key]
//
// --port 0 picks a free port. The address it listens on is printed as the first
// line on standard output. Demo user: "demo", password "demo".
#define CPPHTTPLIB_OPENSSL_SUPPORT
#include <httplib.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tools/refserver/refstore.h"

namespace {

using nlohmann::ordered_json;

struct Options {
  std::string host = "127.0.0.1";
  int port = 8765;
  std::string db = "kairon_refserver.db3";
  std::string cert;
  std::string key;
};

void Usage() {
  std::cerr << "usage: kairon_refserver [--host ADDR] [--port N] [--db FILE] [--cert FILE --key FILE]\n"
               "  --port 0 picks a free port; the address is printed on standard output.\n";
}

std::optional<Options> ParseArgs(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (a == "--help" || a == "-h") return std::nullopt;
    if (a == "--host" && (v = next()))
      o.host = v;
    else if (a == "--port" && (v = next()))
      o.port = std::atoi(v);
    else if (a == "--db" && (v = next()))
      o.db = v;
    else if (a == "--cert" && (v = next()))
      o.cert = v;
    else if (a == "--key" && (v = next()))
      o.key = v;
    else
      return std::nullopt;
  }
  if (o.cert.empty() != o.key.empty() || o.port < 0 || o.port > 65535) return std::nullopt;
  return o;
}

ordered_json ErrorObject(bool failed, int code, const std::string& text) {
  ordered_json e = ordered_json::object();
  e["state"] = failed;
  e["code"] = code;
  e["message"] = text;
  return e;
}

std::string Reply(const ordered_json& data) {
  ordered_json r = ordered_json::object();
  r["error"] = ErrorObject(false, 0, "");
  r["data"] = data;
  return r.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string Failure(int code, const std::string& text) {
  ordered_json r = ordered_json::object();
  r["error"] = ErrorObject(true, code, text);
  r["data"] = ordered_json::object();
  return r.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string RandomToken() {
  static std::random_device device;
  static const char kHex[] = "0123456789abcdef";
  std::string t;
  for (int i = 0; i < 32; ++i) t += kHex[device() % 16];
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseArgs(argc, argv);
  if (!options) {
    Usage();
    return 2;
  }
  refserver::Store store;
  std::string error;
  if (!store.open(options->db, &error)) {
    std::cerr << "kairon_refserver: cannot open " << options->db << ": " << error << "\n";
    return 1;
  }

  std::unique_ptr<httplib::Server> server;
  const bool tls = !options->cert.empty();
  if (tls) {
    auto ssl = std::make_unique<httplib::SSLServer>(options->cert.c_str(), options->key.c_str());
    if (!ssl->is_valid()) {
      std::cerr << "kairon_refserver: cannot load certificate or key\n";
      return 1;
    }
    server = std::move(ssl);
  } else {
    server = std::make_unique<httplib::Server>();
  }

  std::mutex mutex;
  server->Post(".*", [&](const httplib::Request& req, httplib::Response& res) {
    const refserver::Form form = refserver::ParseForm(req.body);
    std::string body;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (const std::string* login = form.get("login")) {
        const std::string* pass = form.get("pass");
        const std::optional<long long> user = store.checkUser(*login, pass ? *pass : std::string());
        if (!user) {
          body = Failure(401, "Benutzername oder Passwort falsch");
        } else {
          const std::string token = RandomToken();
          store.addToken(token, *user);
          ordered_json data = ordered_json::object();
          data["token"] = token;
          body = Reply(data);
        }
      } else {
        const std::string* request = form.get("request");
        std::string token = form.get("token") ? *form.get("token") : std::string();
        // The upload writes "=" after the token.
        if (!token.empty() && token.back() == '=') token.pop_back();
        const std::optional<long long> user = store.userOfToken(token);
        if (!request) {
          body = Failure(400, "Unbekannte Anfrage");
        } else if (!user) {
          body = Failure(403, "Nicht angemeldet oder Sitzung abgelaufen");
        } else if (*request == "getProjects" || *request == "getFiles" || *request == "getPracticeGroups" ||
                   *request == "getActivities") {
          body = Reply(store.masterRows(*request));
        } else if (*request == "insertTimeEntries") {
          const std::string* json = form.get("json");
          const ordered_json entries =
              json ? ordered_json::parse(*json, nullptr, false) : ordered_json(ordered_json::value_t::discarded);
          if (!entries.is_array()) {
            body = Failure(400, "Die Zeiteinträge sind kein gültiges JSON-Array");
          } else {
            const refserver::InsertResult result = store.insertEntries(*user, entries);
            ordered_json data = ordered_json::object();
            data["request"] = "insertTimeEntries";
            data["inserted"] = result.inserted;
            data["failed"] = result.failures.size();
            data["failures"] = result.failures;
            body = Reply(data);
          }
        } else {
          body = Failure(400, "Unbekannte Anfrage: " + *request);
        }
      }
    }
    res.set_content(body, "application/json; charset=utf-8");
  });

  int port = options->port;
  if (port == 0) {
    port = server->bind_to_any_port(options->host);
  } else if (!server->bind_to_port(options->host, port)) {
    port = -1;
  }
  if (port <= 0) {
    std::cerr << "kairon_refserver: cannot listen on " << options->host << ":" << options->port << "\n";
    return 1;
  }
  std::cout << "Listening on " << (tls ? "https" : "http") << "://" << options->host << ":" << port << "/" << std::endl;
  return server->listen_after_bind() ? 0 : 1;
}
