-- Schema of the database file that ships beside the program.
-- The program never creates or alters tables; this file is used by the
-- database maker in tools/ and by the tests.

CREATE TABLE tblConfig (
  id         INTEGER PRIMARY KEY,
  fielddesc  TEXT,
  fieldvalue TEXT,
  fieldtyp   TEXT
);

CREATE TABLE tblProject (
  id           INTEGER PRIMARY KEY,
  projekt_name TEXT
);

CREATE TABLE tblFiles (
  id          INTEGER PRIMARY KEY,
  project_id  INTEGER,
  file_number TEXT,
  file_name   TEXT
);
CREATE INDEX idx_tblFiles_project_id ON tblFiles (project_id);

CREATE TABLE tblPractice_Group (
  id                  INTEGER PRIMARY KEY,
  practice_group_name TEXT
);

CREATE TABLE tblActivity (
  id            INTEGER PRIMARY KEY,
  activity_name TEXT
);

CREATE TABLE tblTimeEntries (
  id               INTEGER PRIMARY KEY AUTOINCREMENT,
  system_user_id   INTEGER,
  project_id       INTEGER,
  file_id          INTEGER,
  location_id      INTEGER,
  pratice_group_id INTEGER,
  activity_id      INTEGER,
  activity         TEXT,
  note             TEXT,
  real_time        INTEGER,
  invoice_time     INTEGER,
  hash_id          TEXT,
  import_yn        INTEGER NOT NULL DEFAULT 0,
  time             TEXT,
  str_real_time    TEXT,
  str_invoice_time TEXT,
  locked           INTEGER NOT NULL DEFAULT 0
);
-- Serves the entry list by day and over all days (newest day first) without
-- touching the table: it holds every column the list reads.
CREATE INDEX idx_tblTimeEntries_list ON tblTimeEntries (
  import_yn, time, id, project_id, file_id, pratice_group_id, activity_id, real_time, locked,
  system_user_id, location_id, invoice_time, hash_id, activity, note
);
