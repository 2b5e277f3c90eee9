#pragma once

#include <QString>

namespace kairon::db {

// The schema text of the supplied database file.
QString SchemaSql();

// Creates a new database file at path with the schema and the configuration
// rows "url" (id 1, the given address) and "authkey" (id 101, empty).
// Fails (returns false, with the reason in error) when the file exists.
bool CreateDatabaseFile(const QString& path, const QString& url, QString* error);

}  // namespace kairon::db
