#include "archive/TableFile.h"

#include <sqlite3.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "archive/ArchiveError.h"
#include "archive/ItalianCollation.h"
#include "archive/Sha256.h"

namespace fs = std::filesystem;

namespace {

constexpr int kVerifierRounds = 4096;
constexpr int kRowsPerSelect = 128;
constexpr size_t kRowsPerInsert = 32;

std::string QuoteName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Verifier(const std::string& salt, const std::string& password) {
    std::string digest = salt + password;
    for (int i = 0; i < kVerifierRounds; ++i) {
        auto h = Sha256(digest + password);
        digest.assign(reinterpret_cast<const char*>(h.data()), h.size());
    }
    return digest;
}

// Characters of a UTF-8 text: every byte that does not continue a sequence.
size_t CharCount(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string DeclaredType(const TColumnDef& c) {
    switch (c.kind) {
        case TColumnKind::AutoInc:
            return "INTEGER PRIMARY KEY AUTOINCREMENT";
        case TColumnKind::Char:
            // The CHECK keeps other writers of the file within the size too.
            return "CHAR(" + std::to_string(c.size) + ") CHECK (length(" + QuoteName(c.name) +
                   ") <= " + std::to_string(c.size) + ")";
        case TColumnKind::Memo:
            return "MEMO TEXT";
    }
    return "TEXT";
}

TColumnDef ColumnFromDeclared(const std::string& name, const std::string& type) {
    TColumnDef c;
    c.name = name;
    if (type.rfind("INTEGER", 0) == 0) {
        c.kind = TColumnKind::AutoInc;
    } else if (type.rfind("CHAR(", 0) == 0) {
        c.kind = TColumnKind::Char;
        c.size = std::atoi(type.c_str() + 5);
    } else {
        c.kind = TColumnKind::Memo;
    }
    return c;
}

class Statement {
  public:
    explicit Statement(sqlite3_stmt* st) : st_(st) {}
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return st_; }

  private:
    sqlite3_stmt* st_;
};

sqlite3* OpenConnection(const fs::path& path, int flags) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw EArchiveError("Cannot open table " + path.string() + ": " + msg);
    }
    sqlite3_busy_timeout(db, 5000);
    sqlite3_extended_result_codes(db, 1);
    return db;
}

}  // namespace

bool IsTableFileName(const std::string& fileName) {
    return !fileName.empty() && fileName.find('/') == std::string::npos && fileName != "." &&
           fileName != "..";
}

void TTableFile::Create(const fs::path& path, const std::vector<TColumnDef>& columns) {
    std::error_code ec;
    if (fs::exists(path, ec))
        throw EArchiveError("Table " + path.filename().string() + " already exists in " +
                            path.parent_path().string());
    if (!fs::is_directory(path.parent_path(), ec))
        throw EArchiveError("Folder does not exist: " + path.parent_path().string());
    int autoIncs = 0;
    std::string sql = "CREATE TABLE records (";
    for (size_t i = 0; i < columns.size(); ++i) {
        for (size_t j = 0; j < i; ++j)
            if (sqlite3_stricmp(columns[i].name.c_str(), columns[j].name.c_str()) == 0)
                throw EArchiveError("Duplicate field name: " + columns[i].name);
        if (columns[i].kind == TColumnKind::AutoInc && ++autoIncs > 1)
            throw EArchiveError("A table can have only one AUTOINC field");
        sql += (i ? ", " : "") + QuoteName(columns[i].name) + " " + DeclaredType(columns[i]);
    }
    sql += ")";

    // Build the file under a temporary name and move it into place only when
    // complete, so a failure never leaves a half-made table behind.
    fs::path tmp = path;
    tmp += ".creating-" + std::to_string(::getpid());
    fs::remove(tmp, ec);
    sqlite3* db = OpenConnection(tmp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    char* err = nullptr;
    int rc = sqlite3_exec(db, ("BEGIN; " + sql + "; COMMIT;").c_str(), nullptr, nullptr, &err);
    std::string msg = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        fs::remove(tmp, ec);
        throw EArchiveError("Cannot create table " + path.string() + ": " + msg);
    }
    // link() refuses to replace a file that appeared meanwhile.
    if (::link(tmp.c_str(), path.c_str()) != 0) {
        int e = errno;
        fs::remove(tmp, ec);
        throw EArchiveError("Cannot create table " + path.string() + ": " +
                            std::error_code(e, std::generic_category()).message());
    }
    fs::remove(tmp, ec);
}

std::shared_ptr<TTableFile> TTableFile::Open(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        throw EArchiveError("Table does not exist: " + path.string());
    sqlite3* db = OpenConnection(path, SQLITE_OPEN_READWRITE);
    std::shared_ptr<TTableFile> file(new TTableFile(path, db));
    return file;
}

TTableFile::TTableFile(fs::path path, sqlite3* db) : path_(std::move(path)), db_(db) {
    try {
        RegisterItalianSortKey(db_);
        Statement info(Prepare("PRAGMA table_info(records)"));
        while (sqlite3_step(info.get()) == SQLITE_ROW) {
            std::string name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
            const unsigned char* type = sqlite3_column_text(info.get(), 2);
            columns_.push_back(
                ColumnFromDeclared(name, type ? reinterpret_cast<const char*>(type) : ""));
            names_.push_back(name);
        }
        if (columns_.empty()) Raise("not a table file");
        std::string params;
        for (int i = 0; i < kRowsPerSelect; ++i) params += i ? ", ?" : "?";
        selectRows_ = Prepare("SELECT rowid, * FROM records WHERE rowid IN (" + params + ")");
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

TTableFile::~TTableFile() {
    sqlite3_finalize(insertRows_);
    sqlite3_finalize(insertRow_);
    sqlite3_finalize(selectRows_);
    sqlite3_close(db_);
}

void TTableFile::Raise(const std::string& what) const {
    throw EArchiveError("Table " + path_.filename().string() + ": " + what);
}

sqlite3_stmt* TTableFile::Prepare(const std::string& sql) const {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        std::string msg = sqlite3_errmsg(db_);
        sqlite3_finalize(st);
        Raise(msg);
    }
    return st;
}

void TTableFile::Exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        Raise(msg);
    }
}

bool TTableFile::IsProtected() const {
    Statement st(Prepare("SELECT count(*) FROM sqlite_master WHERE name = 'brivano_lock'"));
    if (sqlite3_step(st.get()) != SQLITE_ROW || sqlite3_column_int(st.get(), 0) == 0) return false;
    Statement rows(Prepare("SELECT count(*) FROM brivano_lock"));
    return sqlite3_step(rows.get()) == SQLITE_ROW && sqlite3_column_int(rows.get(), 0) > 0;
}

bool TTableFile::Accepts(const std::string& password) const {
    if (!IsProtected()) return true;
    Statement st(Prepare("SELECT salt, verifier FROM brivano_lock"));
    while (sqlite3_step(st.get()) == SQLITE_ROW) {
        std::string salt(static_cast<const char*>(sqlite3_column_blob(st.get(), 0)),
                         static_cast<size_t>(sqlite3_column_bytes(st.get(), 0)));
        std::string verifier(static_cast<const char*>(sqlite3_column_blob(st.get(), 1)),
                             static_cast<size_t>(sqlite3_column_bytes(st.get(), 1)));
        if (Verifier(salt, password) == verifier) return true;
    }
    return false;
}

void TTableFile::RequireAccess(const std::vector<std::string>& passwords) const {
    if (!IsProtected()) return;
    for (const std::string& p : passwords)
        if (Accepts(p)) return;
    Raise("the table is protected and this session does not hold its password");
}

void TTableFile::Protect(const std::string& password) {
    if (IsProtected()) {
        if (Accepts(password)) return;  // already protected with this password
        Raise("the table is protected with another password");
    }
    char salt[16];
    if (getrandom(salt, sizeof salt, 0) != static_cast<ssize_t>(sizeof salt))
        Raise("no random data for the password salt");
    const std::string saltText(salt, sizeof salt);
    Exec("BEGIN IMMEDIATE");
    try {
        Exec("CREATE TABLE IF NOT EXISTS brivano_lock (salt BLOB, verifier BLOB)");
        Statement st(Prepare("INSERT INTO brivano_lock VALUES (?, ?)"));
        const std::string verifier = Verifier(saltText, password);
        sqlite3_bind_blob(st.get(), 1, saltText.data(), static_cast<int>(saltText.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_blob(st.get(), 2, verifier.data(), static_cast<int>(verifier.size()),
                          SQLITE_TRANSIENT);
        if (sqlite3_step(st.get()) != SQLITE_DONE) Raise(sqlite3_errmsg(db_));
        Exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::vector<long long> TTableFile::RowIds() {
    Statement st(Prepare("SELECT rowid FROM records ORDER BY rowid"));
    std::vector<long long> ids;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(st.get(), 0));
    if (rc != SQLITE_DONE) Raise(sqlite3_errmsg(db_));
    return ids;
}

size_t TTableFile::RowCount() {
    Statement st(Prepare("SELECT count(*) FROM records"));
    if (sqlite3_step(st.get()) != SQLITE_ROW) Raise(sqlite3_errmsg(db_));
    return static_cast<size_t>(sqlite3_column_int64(st.get(), 0));
}

std::unique_ptr<TRowStream> TTableFile::OrderedRows(const std::string& orderColumn,
                                                    bool descending) {
    std::string sql = "SELECT rowid, * FROM records ORDER BY ";
    if (!orderColumn.empty()) {
        int found = -1;
        for (size_t i = 0; i < names_.size(); ++i)
            if (sqlite3_stricmp(names_[i].c_str(), orderColumn.c_str()) == 0)
                found = static_cast<int>(i);
        if (found < 0) Raise("field not found: " + orderColumn);
        sql += std::string(ItalianSortKeyFunction) + "(" +
               QuoteName(names_[static_cast<size_t>(found)]) + ")" +
               (descending ? " DESC" : " ASC") + ", ";
    }
    sql += "rowid";
    return std::make_unique<TRowStream>(shared_from_this(), Prepare(sql));
}

void TTableFile::EachRow(
    const std::vector<size_t>& columns,
    const std::function<void(long long, const std::vector<std::string_view>&)>& visit) {
    std::string sql = "SELECT rowid";
    for (size_t c : columns) sql += ", " + QuoteName(names_.at(c));
    Statement st(Prepare(sql + " FROM records ORDER BY rowid"));
    std::vector<std::string_view> values(columns.size());
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        for (size_t i = 0; i < columns.size(); ++i) {
            const int col = static_cast<int>(i) + 1;
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), col));
            values[i] = text ? std::string_view(
                                   text, static_cast<size_t>(sqlite3_column_bytes(st.get(), col)))
                             : std::string_view();
        }
        visit(sqlite3_column_int64(st.get(), 0), values);
    }
    if (rc != SQLITE_DONE) Raise(sqlite3_errmsg(db_));
}

void TTableFile::ReadValues(sqlite3_stmt* st, int firstColumn,
                            std::vector<TFieldValue>& values) const {
    values.assign(columns_.size(), std::nullopt);
    for (size_t i = 0; i < columns_.size(); ++i) {
        const int col = static_cast<int>(i) + firstColumn;
        const unsigned char* text = sqlite3_column_text(st, col);
        if (text)
            values[i] = std::string(reinterpret_cast<const char*>(text),
                                    static_cast<size_t>(sqlite3_column_bytes(st, col)));
    }
}

TRowStream::TRowStream(std::shared_ptr<TTableFile> file, sqlite3_stmt* statement)
    : file_(std::move(file)), statement_(statement) {}

TRowStream::~TRowStream() {
    sqlite3_finalize(statement_);
}

bool TRowStream::Next(long long& rowId, std::vector<TFieldValue>* values) {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_DONE) return false;
    if (rc != SQLITE_ROW) file_->Raise(sqlite3_errmsg(file_->db_));
    rowId = sqlite3_column_int64(statement_, 0);
    if (values) file_->ReadValues(statement_, 1, *values);
    return true;
}

std::vector<std::vector<TFieldValue>> TTableFile::Rows(const long long* rowIds, size_t count) {
    std::vector<std::vector<TFieldValue>> rows(count, std::vector<TFieldValue>(columns_.size()));
    for (size_t done = 0; done < count; done += kRowsPerSelect) {
        const size_t n = std::min<size_t>(kRowsPerSelect, count - done);
        std::unordered_map<long long, size_t> where;
        sqlite3_reset(selectRows_);
        for (int p = 0; p < kRowsPerSelect; ++p) {
            // Unused places ask for a row id no row has.
            const long long id =
                static_cast<size_t>(p) < n ? rowIds[done + static_cast<size_t>(p)] : -1;
            sqlite3_bind_int64(selectRows_, p + 1, id);
            if (static_cast<size_t>(p) < n) where[id] = done + static_cast<size_t>(p);
        }
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(selectRows_)) == SQLITE_ROW) {
            auto it = where.find(sqlite3_column_int64(selectRows_, 0));
            if (it == where.end()) continue;
            ReadValues(selectRows_, 1, rows[it->second]);
        }
        sqlite3_reset(selectRows_);
        if (rc != SQLITE_DONE) Raise(sqlite3_errmsg(db_));
    }
    return rows;
}

void TTableFile::CheckValue(size_t column, const TFieldValue& value) const {
    const TColumnDef& c = columns_.at(column);
    // A character takes at least one byte: only a value with more bytes than
    // the size can hold too many characters.
    const auto size = static_cast<size_t>(c.size);
    if (c.kind == TColumnKind::Char && value && value->size() > size && CharCount(*value) > size)
        throw EArchiveError("Field '" + c.name + "' holds at most " + std::to_string(c.size) +
                            " characters; the value has " + std::to_string(CharCount(*value)));
}

// Every parameter is bound, so nothing of an earlier row is left behind. The
// texts are not copied: the statement is run and reset while `values` lives.
void TTableFile::BindRow(sqlite3_stmt* st, const std::vector<TFieldValue>& values,
                         int first) const {
    int param = first;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].kind == TColumnKind::AutoInc) continue;
        CheckValue(i, values.at(i));
        if (values[i] && !values[i]->empty())
            sqlite3_bind_text(st, param, values[i]->data(), static_cast<int>(values[i]->size()),
                              SQLITE_STATIC);
        else
            sqlite3_bind_null(st, param);
        ++param;
    }
}

sqlite3_stmt* TTableFile::PrepareInsert(size_t rows) const {
    std::string cols, params;
    for (const TColumnDef& c : columns_) {
        if (c.kind == TColumnKind::AutoInc) continue;
        cols += (cols.empty() ? "" : ", ") + QuoteName(c.name);
        params += params.empty() ? "?" : ", ?";
    }
    if (cols.empty()) return Prepare("INSERT INTO records DEFAULT VALUES");
    std::string sql = "INSERT INTO records (" + cols + ") VALUES ";
    for (size_t r = 0; r < rows; ++r) sql += (r ? ", (" : "(") + params + ")";
    return Prepare(sql);
}

void TTableFile::Run(sqlite3_stmt* st) {
    if (sqlite3_step(st) != SQLITE_DONE) {
        const std::string msg = sqlite3_errmsg(db_);
        sqlite3_reset(st);
        Raise(msg);
    }
    sqlite3_reset(st);
}

long long TTableFile::Insert(const std::vector<TFieldValue>& values) {
    if (!insertRow_) insertRow_ = PrepareInsert(1);
    sqlite3_reset(insertRow_);
    BindRow(insertRow_, values, 1);
    Run(insertRow_);
    return sqlite3_last_insert_rowid(db_);
}

void TTableFile::InsertRows(const std::vector<TFieldValue>* rows, size_t count, long long* ids) {
    size_t params = 0;
    bool autoInc = false;
    for (const TColumnDef& c : columns_) {
        if (c.kind == TColumnKind::AutoInc)
            autoInc = true;
        else
            ++params;
    }
    // One statement per row costs as much again as the rows themselves. Only
    // an AUTOINCREMENT key makes the ids of one statement's rows consecutive
    // (each is one past the one before), which is how they are known.
    size_t done = 0;
    if (autoInc && params > 0) {
        if (!insertRows_) insertRows_ = PrepareInsert(kRowsPerInsert);
        for (; count - done >= kRowsPerInsert; done += kRowsPerInsert) {
            sqlite3_reset(insertRows_);
            for (size_t r = 0; r < kRowsPerInsert; ++r)
                BindRow(insertRows_, rows[done + r], static_cast<int>(r * params) + 1);
            Run(insertRows_);
            const long long last = sqlite3_last_insert_rowid(db_);
            for (size_t r = 0; r < kRowsPerInsert; ++r)
                ids[done + r] = last - static_cast<long long>(kRowsPerInsert - 1 - r);
        }
    }
    for (; done < count; ++done) ids[done] = Insert(rows[done]);
}

void TTableFile::Update(long long rowId, const std::vector<TFieldValue>& values) {
    std::string sets;
    int params = 0;
    for (const TColumnDef& c : columns_) {
        if (c.kind == TColumnKind::AutoInc) continue;
        sets += (sets.empty() ? "" : ", ") + QuoteName(c.name) + " = ?";
        ++params;
    }
    if (params == 0) return;
    Statement st(Prepare("UPDATE records SET " + sets + " WHERE rowid = ?"));
    BindRow(st.get(), values, 1);
    sqlite3_bind_int64(st.get(), params + 1, rowId);
    if (sqlite3_step(st.get()) != SQLITE_DONE) Raise(sqlite3_errmsg(db_));
}

void TTableFile::Remove(long long rowId) {
    Statement st(Prepare("DELETE FROM records WHERE rowid = ?"));
    sqlite3_bind_int64(st.get(), 1, rowId);
    if (sqlite3_step(st.get()) != SQLITE_DONE) Raise(sqlite3_errmsg(db_));
}

TWriteBatch::TWriteBatch(TTableFile& file) : file_(file) {
    file_.Exec("BEGIN IMMEDIATE");
}

TWriteBatch::~TWriteBatch() {
    if (open_) sqlite3_exec(file_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void TWriteBatch::Keep() {
    file_.Exec("COMMIT");
    open_ = false;
}
