#include "archive/TableFile.h"

#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "archive/ArchiveError.h"
#include "archive/ItalianCollation.h"
#include "archive/Sha256.h"
#include "text/Testo.h"

namespace fs = std::filesystem;
using brivano::TBaseDati;
using brivano::TComandoSql;

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

// Column names match as the engine matches them: ASCII letters in either case.
bool SameName(const std::string& a, const std::string& b) {
    return brivano::AsciiUpperCase(a) == brivano::AsciiUpperCase(b);
}

std::unique_ptr<TBaseDati> OpenConnection(const fs::path& path, bool create) {
    brivano::TOpzioniBaseDati options;
    options.Crea = create;
    options.UnSoloFilo = true;
    options.Solleva = [](const brivano::EBaseDati& e) { throw EArchiveError(e); };
    return std::make_unique<TBaseDati>(path, options);
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
            if (SameName(columns[i].name, columns[j].name))
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
    try {
        auto db = OpenConnection(tmp, true);
        brivano::TTransazione t(*db);
        db->Esegui(sql);
        t.Conferma();
    } catch (...) {
        fs::remove(tmp, ec);
        throw;
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
    std::shared_ptr<TTableFile> file(new TTableFile(path, OpenConnection(path, false)));
    return file;
}

TTableFile::TTableFile(fs::path path, std::unique_ptr<TBaseDati> db)
    : path_(std::move(path)), db_(std::move(db)) {
    RegisterItalianSortKey(db_->Connessione());
    auto info = Prepare("PRAGMA table_info(records)");
    while (info->Passo()) {
        std::string name = info->ColonnaTesto(1);
        columns_.push_back(ColumnFromDeclared(name, info->ColonnaTesto(2)));
        names_.push_back(name);
    }
    if (columns_.empty()) Raise("not a table file");
    std::string params;
    for (int i = 0; i < kRowsPerSelect; ++i) params += i ? ", ?" : "?";
    selectRows_ = Prepare("SELECT rowid, * FROM records WHERE rowid IN (" + params + ")");
}

void TTableFile::Raise(const std::string& what) const {
    throw EArchiveError("Table " + path_.filename().string() + ": " + what);
}

std::unique_ptr<TComandoSql> TTableFile::Prepare(const std::string& sql) const {
    return std::make_unique<TComandoSql>(*db_, sql);
}

bool TTableFile::IsProtected() const {
    auto st = Prepare("SELECT count(*) FROM sqlite_master WHERE name = 'brivano_lock'");
    if (!st->Passo() || st->ColonnaIntero(0) == 0) return false;
    auto rows = Prepare("SELECT count(*) FROM brivano_lock");
    return rows->Passo() && rows->ColonnaIntero(0) > 0;
}

bool TTableFile::Accepts(const std::string& password) const {
    if (!IsProtected()) return true;
    auto st = Prepare("SELECT salt, verifier FROM brivano_lock");
    while (st->Passo())
        if (Verifier(st->ColonnaTesto(0), password) == st->ColonnaTesto(1)) return true;
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
    brivano::TTransazione t(*db_);
    db_->Esegui("CREATE TABLE IF NOT EXISTS brivano_lock (salt BLOB, verifier BLOB)");
    auto st = Prepare("INSERT INTO brivano_lock VALUES (?, ?)");
    st->Blob(1, saltText).Blob(2, Verifier(saltText, password)).Esegui();
    t.Conferma();
}

std::vector<long long> TTableFile::RowIds() {
    auto st = Prepare("SELECT rowid FROM records ORDER BY rowid");
    std::vector<long long> ids;
    while (st->Passo()) ids.push_back(st->ColonnaIntero(0));
    return ids;
}

size_t TTableFile::RowCount() {
    auto st = Prepare("SELECT count(*) FROM records");
    if (!st->Passo()) Raise("no row count");
    return static_cast<size_t>(st->ColonnaIntero(0));
}

std::unique_ptr<TRowStream> TTableFile::OrderedRows(const std::string& orderColumn,
                                                    bool descending) {
    std::string sql = "SELECT rowid, * FROM records ORDER BY ";
    if (!orderColumn.empty()) {
        int found = -1;
        for (size_t i = 0; i < names_.size(); ++i)
            if (SameName(names_[i], orderColumn)) found = static_cast<int>(i);
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
    auto st = Prepare(sql + " FROM records ORDER BY rowid");
    std::vector<std::string_view> values(columns.size());
    while (st->Passo()) {
        for (size_t i = 0; i < columns.size(); ++i)
            values[i] = st->ColonnaVista(static_cast<int>(i) + 1);
        visit(st->ColonnaIntero(0), values);
    }
}

void TTableFile::ReadValues(const TComandoSql& st, int firstColumn,
                            std::vector<TFieldValue>& values) const {
    // The strings of the row before keep their room.
    values.resize(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) {
        const int col = static_cast<int>(i) + firstColumn;
        if (st.ColonnaNulla(col))
            values[i].reset();
        else if (values[i])
            values[i]->assign(st.ColonnaVista(col));
        else
            values[i].emplace(st.ColonnaVista(col));
    }
}

TRowStream::TRowStream(std::shared_ptr<TTableFile> file, std::unique_ptr<TComandoSql> statement)
    : file_(std::move(file)), statement_(std::move(statement)) {}

bool TRowStream::Next(long long& rowId, std::vector<TFieldValue>* values) {
    if (!statement_->Passo()) return false;
    rowId = statement_->ColonnaIntero(0);
    if (values) file_->ReadValues(*statement_, 1, *values);
    return true;
}

std::vector<std::vector<TFieldValue>> TTableFile::Rows(const long long* rowIds, size_t count) {
    std::vector<std::vector<TFieldValue>> rows(count, std::vector<TFieldValue>(columns_.size()));
    for (size_t done = 0; done < count; done += kRowsPerSelect) {
        const size_t n = std::min<size_t>(kRowsPerSelect, count - done);
        std::unordered_map<long long, size_t> where;
        selectRows_->Riavvolgi();
        for (int p = 0; p < kRowsPerSelect; ++p) {
            // Unused places ask for a row id no row has.
            const long long id =
                static_cast<size_t>(p) < n ? rowIds[done + static_cast<size_t>(p)] : -1;
            selectRows_->Intero(p + 1, id);
            if (static_cast<size_t>(p) < n) where[id] = done + static_cast<size_t>(p);
        }
        while (selectRows_->Passo()) {
            auto it = where.find(selectRows_->ColonnaIntero(0));
            if (it == where.end()) continue;
            ReadValues(*selectRows_, 1, rows[it->second]);
        }
        selectRows_->Riavvolgi();
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
void TTableFile::BindRow(TComandoSql& st, const std::vector<TFieldValue>& values, int first) const {
    int param = first;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].kind == TColumnKind::AutoInc) continue;
        CheckValue(i, values.at(i));
        if (values[i] && !values[i]->empty())
            st.TestoFisso(param, *values[i]);
        else
            st.Nullo(param);
        ++param;
    }
}

std::unique_ptr<TComandoSql> TTableFile::PrepareInsert(size_t rows) const {
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

long long TTableFile::Insert(const std::vector<TFieldValue>& values) {
    if (!insertRow_) insertRow_ = PrepareInsert(1);
    insertRow_->Riavvolgi();
    BindRow(*insertRow_, values, 1);
    insertRow_->Esegui();
    return db_->UltimoId();
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
            insertRows_->Riavvolgi();
            for (size_t r = 0; r < kRowsPerInsert; ++r)
                BindRow(*insertRows_, rows[done + r], static_cast<int>(r * params) + 1);
            insertRows_->Esegui();
            const long long last = db_->UltimoId();
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
    auto st = Prepare("UPDATE records SET " + sets + " WHERE rowid = ?");
    BindRow(*st, values, 1);
    st->Intero(params + 1, rowId).Esegui();
}

void TTableFile::Remove(long long rowId) {
    Prepare("DELETE FROM records WHERE rowid = ?")->Intero(1, rowId).Esegui();
}

TWriteBatch::TWriteBatch(TTableFile& file) : transaction_(*file.db_) {}

void TWriteBatch::Keep() {
    transaction_.Conferma();
}
