// Generated user input and server names, stored and read back: every UTF-16
// code unit comes back unchanged, and no text changes a statement other than
// as its value. The generator is seeded (KAIRON_PROPERTY_SEED, printed), so a
// failure can be repeated.
#include <sqlite3.h>

#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

#include "tests/faults/faultrig.h"
#include "tests/faults/faultserver.h"

namespace kairon::test {

namespace {

// Texts without NUL made of the pieces that break naive statement building
// and naive storage: quotes, backslashes, comment and statement separators,
// line breaks of every kind, control characters, non-ASCII and non-BMP
// characters, and plain letters between them.
class TextGenerator {
 public:
  explicit TextGenerator(quint32 seed) : random_(seed) {}

  QString next(int maxLength, bool allowNul = false) {
    static const QStringList pieces{QStringLiteral("'"),
                                    QStringLiteral("''"),
                                    QStringLiteral("\""),
                                    QStringLiteral("\\"),
                                    QStringLiteral("\\'"),
                                    QStringLiteral("--"),
                                    QStringLiteral(";"),
                                    QStringLiteral("/*"),
                                    QStringLiteral("*/"),
                                    QStringLiteral("\r\n"),
                                    QStringLiteral("\n"),
                                    QStringLiteral("\r"),
                                    QStringLiteral("\t"),
                                    QStringLiteral("%"),
                                    QStringLiteral("%1"),
                                    QStringLiteral("&"),
                                    QStringLiteral("+"),
                                    QStringLiteral("="),
                                    QStringLiteral("?"),
                                    QStringLiteral(":id"),
                                    QStringLiteral("'||'"),
                                    QStringLiteral("char(0)"),
                                    QStringLiteral("ü"),
                                    QStringLiteral("ß"),
                                    QStringLiteral("€"),
                                    QStringLiteral("\u00A0"),
                                    QStringLiteral("\u200F"),
                                    QStringLiteral("\uFEFF"),
                                    QStringLiteral("\uFFFD"),
                                    QStringLiteral("\uFFFF"),
                                    QStringLiteral("\u0301"),
                                    QStringLiteral("漢字"),
                                    QStringLiteral("\U0001F600"),
                                    QStringLiteral("\U0001F4BC"),
                                    QStringLiteral("\U00010348"),
                                    QStringLiteral("\U0010FFFF"),
                                    QStringLiteral("'); DROP TABLE tblTimeEntries; --"),
                                    QStringLiteral("Besprechung"),
                                    QStringLiteral(" ")};
    QString text;
    const int length = int(random_.bounded(quint32(maxLength + 1)));
    while (text.size() < length) {
      const quint32 kind = random_.bounded(10u);
      if (kind < 5) {
        text += pieces[qsizetype(random_.bounded(quint32(pieces.size())))];
      } else if (kind < 7) {
        text += QChar(char16_t(0x20 + random_.bounded(0x5Fu)));  // printable ASCII
      } else if (kind < 8) {
        text += QChar(char16_t(1 + random_.bounded(0x1Fu)));  // control characters
      } else if (kind < 9) {
        // Any BMP character outside the surrogates.
        char16_t c;
        do c = char16_t(1 + random_.bounded(0xFFFFu));
        while (c >= 0xD800 && c <= 0xDFFF);
        text += QChar(c);
      } else {
        const char32_t c = char32_t(0x10000 + random_.bounded(0x100000u));
        text += QString::fromUcs4(&c, 1);
      }
      if (allowNul && random_.bounded(20u) == 0) text += QChar(0);
    }
    if (!allowNul) text.remove(QChar(0));
    return text;
  }

 private:
  QRandomGenerator random_;
};

quint32 Seed() {
  const quint32 seed = quint32(qEnvironmentVariableIntValue("KAIRON_PROPERTY_SEED"));
  return seed ? seed : 20261211u;
}

QString Hex(const QString& text) {
  return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2).toHex());
}

}  // namespace

class TestFaultsRoundTrip : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    qInfo("texts from seed %u (KAIRON_PROPERTY_SEED)", Seed());
  }

  // Descriptions and notes through New/Save, the list click (load), Edit/Save
  // unchanged, and Edit/Save with new texts.
  void descriptionsAndNotes() {
    SyncRig rig;
    rig.seed();
    TextGenerator generator(Seed());
    rig.view.showAll = true;
    constexpr int kCases = 150;
    for (int i = 0; i < kCases; ++i) {
      const QString description = generator.next(i % 10 == 0 ? 255 : 60);
      const QString note = generator.next(i % 10 == 0 ? 2000 : 60);
      const QString context = QStringLiteral("case %1: %2 / %3").arg(i).arg(Hex(description), Hex(note));

      rig.ws.actNewExecute();
      rig.view.texts[FormField::edtReal] = QStringLiteral("45");
      QVERIFY(rig.ws.edtRealExit());
      rig.view.texts[FormField::memoActivity] = description;
      rig.view.texts[FormField::memoNote] = note;
      QVERIFY(rig.run([&] { rig.ws.actSaveExecute(); }));
      QVERIFY2(rig.prompter.shown.isEmpty(), qPrintable(context));
      const qint64 id = rig.db.scalar(QStringLiteral("SELECT max(id) FROM tblTimeEntries")).toLongLong();

      auto checkStored = [&](const QString& d, const QString& n, const char* step) {
        TQuery q(rig.db.dm(), sql::qry_TimeSingleEntry);
        q.setParam(QStringLiteral("entryID"), id);
        q.Open();
        QVERIFY2(!q.IsEmpty(), step);
        QVERIFY2(Hex(q.asString(QStringLiteral("activity"))) == Hex(d), qPrintable(context + QLatin1String(step)));
        QVERIFY2(Hex(q.asString(QStringLiteral("note"))) == Hex(n), qPrintable(context + QLatin1String(step)));
        q.Close();
        // The UTF-8 bytes in the file are the text's own.
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(rig.db.dm().handle(), "SELECT activity, note FROM tblTimeEntries WHERE id = ?", -1, &stmt,
                           nullptr);
        sqlite3_bind_int64(stmt, 1, id);
        QVERIFY(sqlite3_step(stmt) == SQLITE_ROW);
        const QByteArray storedD(static_cast<const char*>(sqlite3_column_blob(stmt, 0)), sqlite3_column_bytes(stmt, 0));
        const QByteArray storedN(static_cast<const char*>(sqlite3_column_blob(stmt, 1)), sqlite3_column_bytes(stmt, 1));
        sqlite3_finalize(stmt);
        QVERIFY2(storedD == d.toUtf8() && storedN == n.toUtf8(), qPrintable(context + QLatin1String(step)));
      };
      checkStored(description, note, " (insert)");
      if (QTest::currentTestFailed()) return;

      // Load it through the list.
      rig.ws.RefreshEntryList();
      int row = -1;
      for (int r = 0; r < rig.ws.lvTimeEntries.count(); ++r)
        if (rig.ws.lvTimeEntries.idText(r) == QString::number(id)) row = r;
      QVERIFY2(row >= 0, qPrintable(context));
      rig.view.selectedRow = row;
      QVERIFY(rig.run([&] { rig.ws.lvTimeEntriesClick(); }));
      QVERIFY2(Hex(rig.view.texts[FormField::memoActivity]) == Hex(description),
               qPrintable(context + QLatin1String(" (load)")));
      QVERIFY2(Hex(rig.view.texts[FormField::memoNote]) == Hex(note), qPrintable(context + QLatin1String(" (load)")));

      // Saved unchanged, it stays byte for byte the same.
      rig.ws.actSetEditExecute();
      QVERIFY(rig.run([&] { rig.ws.actSaveExecute(); }));
      QVERIFY2(rig.prompter.shown.isEmpty(), qPrintable(context));
      checkStored(description, note, " (update unchanged)");
      if (QTest::currentTestFailed()) return;

      // Edited to other generated texts.
      const QString description2 = generator.next(60);
      const QString note2 = generator.next(60);
      QVERIFY(rig.run([&] { rig.ws.lvTimeEntriesClick(); }));
      rig.ws.actSetEditExecute();
      rig.view.texts[FormField::memoActivity] = description2;
      rig.view.texts[FormField::memoNote] = note2;
      QVERIFY(rig.run([&] { rig.ws.actSaveExecute(); }));
      checkStored(description2, note2, " (update)");
      if (QTest::currentTestFailed()) return;
    }
    // Nothing but the entries changed: the schema and the other rows are intact.
    QCOMPARE(rig.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries")).toInt(), 3 + kCases);
    QCOMPARE(rig.db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'")).toInt(), 7);
    QCOMPARE(rig.db.scalar(QStringLiteral("SELECT count(*) FROM tblProject")).toInt(), 3);
  }

  // Names from the server (NUL included) through the four downloads and the pick lists.
  void namesFromDownloads() {
    FaultServer server;
    SyncRig rig(server.url());
    rig.seed();
    rig.signIn();
    TextGenerator generator(Seed() + 1);
    for (int round = 0; round < 12; ++round) {
      QList<QString> names;
      Json projects = Json::array(), files = Json::array(), groups = Json::array();
      for (int i = 0; i < 40; ++i) {
        names << generator.next(i % 8 == 0 ? 300 : 40, true);
        const std::string name = names.last().toStdString();
        projects.push_back(Json{{"id", 100 + i}, {"name", name}});
        files.push_back(Json{{"id", 100 + i}, {"project_id", 7}, {"file_number", name}, {"file_name", name}});
        groups.push_back(Json{{"id", 100 + i}, {"name", name}});
      }
      auto reply = [](const Json& data) {
        Json r = Json::object();
        r["error"] = Json{{"state", false}};
        r["data"] = data;
        return QByteArray::fromStdString(r.dump());
      };
      auto storedNames = [&](const char* sql) {
        QStringList out;
        TQuery q(rig.db.dm(), QString::fromLatin1(sql));
        for (q.Open(); !q.Eof(); q.Next()) out << q.textAt(0);
        return out;
      };
      QStringList expected;
      for (const QString& n : names) expected << n;

      server.setHandler(FaultServer::Answer(reply(projects)));
      QVERIFY(rig.run([&] { rig.sync.actGetProjectExecute(); }));
      QCOMPARE(rig.prompter.texts(), QStringList{QStringLiteral("Mandat/Mandant wurden aktualisiert!")});
      QCOMPARE(storedNames("SELECT projekt_name FROM tblProject WHERE id >= 100 ORDER BY id"), expected);
      server.setHandler(FaultServer::Answer(reply(groups)));
      QVERIFY(rig.run([&] { rig.sync.actGetPracticeGroupExecute(); }));
      QCOMPARE(storedNames("SELECT practice_group_name FROM tblPractice_Group WHERE id >= 100 ORDER BY id"), expected);
      QVERIFY(rig.run([&] { rig.sync.actGetActivityExecute(); }));
      QCOMPARE(storedNames("SELECT activity_name FROM tblActivity WHERE id >= 100 ORDER BY id"), expected);
      server.setHandler(FaultServer::Answer(reply(files)));
      QVERIFY(rig.run([&] { rig.sync.actGetFilesExecute(); }));
      QCOMPARE(storedNames("SELECT file_number FROM tblFiles WHERE id >= 100 ORDER BY id"), expected);
      QCOMPARE(storedNames("SELECT file_name FROM tblFiles WHERE id >= 100 ORDER BY id"), expected);

      // The pick lists show them as stored.
      QVERIFY(rig.ws.LoadFiles(7));
      QCOMPARE(rig.ws.clboxFiles.count(), 40);
      for (int i = 0; i < 40; ++i)
        QCOMPARE(rig.ws.clboxFiles.displayText(i), expected[i] + QStringLiteral(" - ") + expected[i]);
      // The entries were never touched.
      QCOMPARE(rig.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries")).toInt(), 3);
    }
  }
};

}  // namespace kairon::test

QTEST_GUILESS_MAIN(kairon::test::TestFaultsRoundTrip)
#include "tst_faults_roundtrip.moc"
