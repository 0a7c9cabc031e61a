#include "archive/SqlStatement.h"

#include <cctype>

#include "archive/ArchiveError.h"
#include "text/Testo.h"

namespace {

struct Token {
    enum Kind { Word, Quoted, Number, Punct, End } kind;
    std::string text;
};

std::vector<Token> Tokenize(const std::string& sql) {
    std::vector<Token> out;
    size_t i = 0;
    auto wordChar = [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '.' || c == '$' || c >= 0x80;
    };
    while (i < sql.size()) {
        unsigned char c = static_cast<unsigned char>(sql[i]);
        if (std::isspace(c)) {
            ++i;
        } else if (c == '"') {
            size_t end = sql.find('"', i + 1);
            if (end == std::string::npos) throw EArchiveError("Unterminated quoted name in SQL");
            out.push_back({Token::Quoted, sql.substr(i + 1, end - i - 1)});
            i = end + 1;
        } else if (std::isdigit(c)) {
            size_t start = i;
            while (i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i]))) ++i;
            if (i < sql.size() && wordChar(static_cast<unsigned char>(sql[i]))) {
                while (i < sql.size() && wordChar(static_cast<unsigned char>(sql[i]))) ++i;
                out.push_back({Token::Word, sql.substr(start, i - start)});
            } else {
                out.push_back({Token::Number, sql.substr(start, i - start)});
            }
        } else if (wordChar(c)) {
            size_t start = i;
            while (i < sql.size() && wordChar(static_cast<unsigned char>(sql[i]))) ++i;
            out.push_back({Token::Word, sql.substr(start, i - start)});
        } else {
            out.push_back({Token::Punct, std::string(1, static_cast<char>(c))});
            ++i;
        }
    }
    out.push_back({Token::End, ""});
    return out;
}

class Parser {
  public:
    explicit Parser(const std::string& sql) : sql_(sql), tokens_(Tokenize(sql)) {}

    TSqlStatement Parse() {
        TSqlStatement st{};
        if (IsKeyword("CREATE")) {
            Next();
            Keyword("TABLE");
            st.kind = TSqlStatement::Kind::CreateTable;
            st.create.fileName = Name("table name");
            Punct("(");
            do {
                st.create.columns.push_back(Column());
            } while (TryPunct(","));
            Punct(")");
        } else if (IsKeyword("SELECT")) {
            Next();
            st.kind = TSqlStatement::Kind::Select;
            Punct("*");
            Keyword("FROM");
            st.select.fileName = Name("table name");
            if (IsKeyword("ORDER")) {
                Next();
                Keyword("BY");
                st.select.orderBy = Name("column name");
                if (IsKeyword("DESC")) {
                    st.select.descending = true;
                    Next();
                } else if (IsKeyword("ASC")) {
                    Next();
                }
            }
        } else {
            Fail("only CREATE TABLE and SELECT * FROM are supported");
        }
        TryPunct(";");
        if (Peek().kind != Token::End) Fail("unexpected '" + Peek().text + "'");
        return st;
    }

  private:
    const Token& Peek() const { return tokens_[pos_]; }
    void Next() {
        if (Peek().kind != Token::End) ++pos_;
    }
    [[noreturn]] void Fail(const std::string& why) const {
        throw EArchiveError("Invalid SQL statement (" + why + "): " + sql_);
    }
    bool IsKeyword(const char* word) const {
        return Peek().kind == Token::Word && brivano::AsciiUpperCase(Peek().text) == word;
    }
    void Keyword(const char* word) {
        if (!IsKeyword(word)) Fail(std::string("expected ") + word);
        Next();
    }
    bool TryPunct(const char* p) {
        if (Peek().kind == Token::Punct && Peek().text == p) {
            Next();
            return true;
        }
        return false;
    }
    void Punct(const char* p) {
        if (!TryPunct(p)) Fail(std::string("expected '") + p + "'");
    }
    std::string Name(const char* what) {
        if (Peek().kind != Token::Word && Peek().kind != Token::Quoted)
            Fail(std::string("expected ") + what);
        std::string n = Peek().text;
        if (n.empty()) Fail(std::string("empty ") + what);
        Next();
        return n;
    }
    int Number() {
        if (Peek().kind != Token::Number || Peek().text.size() > 6) Fail("expected a size");
        int n = std::stoi(Peek().text);
        Next();
        return n;
    }
    TColumnDef Column() {
        TColumnDef col;
        col.name = Name("column name");
        if (Peek().kind != Token::Word) Fail("expected a column type");
        const std::string type = brivano::AsciiUpperCase(Peek().text);
        Next();
        if (type == "AUTOINC") {
            col.kind = TColumnKind::AutoInc;
        } else if (type == "CHAR") {
            col.kind = TColumnKind::Char;
            Punct("(");
            col.size = Number();
            Punct(")");
            if (col.size < 1 || col.size > 255) Fail("CHAR size must be 1 to 255");
        } else if (type == "BLOB") {
            Punct("(");
            Number();
            Punct(",");
            int subtype = Number();
            Punct(")");
            if (subtype != 1) Fail("only memo BLOBs (subtype 1) are supported");
            col.kind = TColumnKind::Memo;
        } else {
            Fail("unsupported column type " + type);
        }
        return col;
    }

    const std::string& sql_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
};

}  // namespace

TSqlStatement ParseSql(const std::string& sql) {
    return Parser(sql).Parse();
}
