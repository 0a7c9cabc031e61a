#include "mailing/IdEMailAddress.h"

#include <algorithm>

#include "mailing/MailText.h"

using namespace brivano;

namespace {

constexpr std::string_view kLineBreakMessage =
    "An e-mail address must not contain CR, LF or NUL characters.";
constexpr std::string_view kNameSpecials = "()<>@,;:\\\".[]";

bool IsAllowed(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-/=?_`{}|~").find(c) != std::string_view::npos;
}

// Between double quotes, a "\" before every "\" and every double quote.
std::string Quoted(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 4);
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

void RefuseLineBreaks(std::string_view s) {
    if (HoldsLineBreakOrNul(s)) throw EIdEmailParseError(std::string(kLineBreakMessage));
}

}  // namespace

void TIdEMailAddressItem::SetAddress(std::string_view address) {
    RefuseLineBreaks(address);
    address_ = address;
}

void TIdEMailAddressItem::SetName(std::string_view name) {
    RefuseLineBreaks(name);
    name_ = name;
}

std::string TIdEMailAddressItem::QuotedAddress() const {
    if (address_.empty()) return name_.empty() ? std::string() : std::string("<>");
    std::size_t at = address_.rfind('@');
    std::string_view local = std::string_view(address_).substr(0, at);
    std::string_view domain =
        at == std::string::npos ? std::string_view() : std::string_view(address_).substr(at);
    auto bad = std::find_if_not(local.begin(), local.end(), IsAllowed);
    if (bad != local.end() && *bad != '.') return Concat({"<", Quoted(local), domain, ">"});
    return name_.empty() ? address_ : Concat({"<", address_, ">"});
}

std::string TIdEMailAddressItem::Text() const {
    std::string upper = address_;
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
    if (name_.empty() || upper == name_) return QuotedAddress();
    bool plain =
        std::all_of(name_.begin(), name_.end(), [](char c) { return c == ' ' || IsAllowed(c); });
    return Concat({plain ? name_ : Quoted(name_), " ", QuotedAddress()});
}

void TIdEMailAddressItem::SetText(std::string_view text) {
    address_.clear();
    name_.clear();
    std::string_view x = Trim(text);
    if (x.empty()) return;
    RefuseLineBreaks(x);
    constexpr std::string_view kStart = "(\"< @\t";
    std::size_t i = x.find_first_of(kStart);
    if (i == std::string_view::npos) {
        address_ = x;
        return;
    }
    bool inAddress = false;
    bool inAngle = false;
    bool inQuote = false;
    bool afterAt = false;
    int depth = 0;
    for (;;) {
        switch (x[i]) {
            case ' ':
            case '\t':
                if (i == 0) {
                    x.remove_prefix(1);
                    break;
                }
                if (afterAt)
                    address_ += Trim(x.substr(0, i));
                else
                    name_ += x.substr(0, i + 1);
                x.remove_prefix(i + 1);
                break;
            case '"':
                if (inQuote) {
                    (inAngle ? address_ : name_) += Trim(x.substr(0, i));
                    x.remove_prefix(i + 1);
                    inQuote = false;
                } else {
                    // Only the first character goes, wherever the quote is.
                    inQuote = true;
                    x.remove_prefix(1);
                }
                break;
            case '(':
                if (i == 0) {
                    x.remove_prefix(1);
                } else {
                    if (inAddress)
                        address_ += Trim(x.substr(0, i));
                    else if (depth == 0)
                        name_ += x.substr(0, i);
                    x.remove_prefix(i + 1);
                }
                ++depth;
                break;
            case ')':
                x.remove_prefix(i + 1);
                --depth;
                break;
            case '.':
                if (inAngle) {
                    address_ += Trim(x.substr(0, i));
                    address_ += '.';
                    x = TrimLeft(x.substr(i + 1));
                } else {
                    address_ += x.substr(0, i + 1);
                    x.remove_prefix(i + 1);
                }
                break;
            case '<':
                if (i > 0) name_ += x.substr(0, i);
                name_ = Trim(name_);
                inAngle = true;
                inAddress = true;
                x.remove_prefix(i + 1);
                break;
            case '>':
                inAddress = false;
                afterAt = false;
                address_ += Trim(x.substr(0, i));
                x.remove_prefix(i + 1);
                break;
            case '@':
                afterAt = true;
                if (!inAddress) {
                    if (inAngle) throw EIdEmailParseError("@ Outside address");
                    inAddress = true;
                }
                address_ += x.substr(0, i + 1);
                x.remove_prefix(i + 1);
                break;
            case '\\':
                if (inQuote) {
                    std::string& field = inAddress ? address_ : name_;
                    field += x.substr(0, i);
                    if (i + 1 < x.size()) field += x[i + 1];
                }
                x.remove_prefix(std::min(i + 2, x.size()));
                break;
        }
        std::string_view next;
        if (depth > 0)
            next = "()\\";
        else if (inQuote)
            next = "\"\\";
        else if (afterAt)
            next = inAngle ? ".>(" : ".( ";
        else if (inAddress)
            next = "\"(@>";
        else
            next = kStart;
        i = x.find_first_of(next);
        if (i == std::string_view::npos) break;
    }
    if (inAddress && !inAngle) address_ += Trim(x);
}

TIdEMailAddressItem& TIdEMailAddressList::Add() {
    return items_.emplace_back();
}

void TIdEMailAddressList::Delete(std::size_t index) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::string TIdEMailAddressList::ListText() const {
    std::string text;
    for (const auto& item : items_) {
        if (text.empty())
            text = item.Text();
        else
            text.append(", ").append(item.Text());
    }
    return text;
}

void TIdEMailAddressList::SetListText(std::string_view text) {
    items_.clear();
    if (Trim(text).empty()) return;
    // Adds the item parsed from `s`, dropping it when it reads back as nothing.
    auto addParsed = [this](std::string_view s) {
        Add().SetText(s);
        const std::string back = items_.back().Text();
        std::string_view trimmed = Trim(back);
        if (trimmed.empty() || trimmed == "<>") items_.pop_back();
    };
    std::string_view t = text;
    constexpr std::string_view kStart = ":;(\", \t";
    std::size_t i = t.find_first_of(kStart);
    if (i == std::string_view::npos) {
        Add().SetText(TrimLeft(t));
        return;
    }
    std::string acc;
    bool inQuote = false;
    int depth = 0;
    auto move = [&](std::size_t n) {
        n = std::min(n, t.size());
        acc += t.substr(0, n);
        t.remove_prefix(n);
    };
    for (;;) {
        switch (t[i]) {
            case ' ':
            case '\t':
                move(i + 1);
                break;
            case '"':
                move(i + 1);
                inQuote = !inQuote;
                break;
            case '(':
                move(i + 1);
                ++depth;
                break;
            case ')':
                move(i + 1);
                --depth;
                break;
            case ',':
                acc += t.substr(0, i);
                t.remove_prefix(i + 1);
                addParsed(acc);
                acc.clear();
                break;
            case ':':
                // A group name in front of a colon is dropped.
                t.remove_prefix(i + 1);
                acc.clear();
                break;
            case ';':
                acc += t.substr(0, i);
                t.remove_prefix(i + 1);
                if (!Trim(acc).empty()) {
                    Add().SetText(TrimLeft(acc));
                    acc.clear();
                }
                break;
            case '\\':
                move(i + 2);
                break;
        }
        std::string_view next = depth > 0 ? "(\\)" : inQuote ? "\"\\" : kStart;
        i = t.find_first_of(next);
        if (i == std::string_view::npos) break;
    }
    if (!Trim(acc).empty() || !Trim(t).empty()) {
        acc += t;
        addParsed(TrimLeft(acc));
    }
}

std::string RenderAddress(TIdEMailAddressItem& item, const TIdHeaderSettings& settings,
                          bool nameFromAddress) {
    if (nameFromAddress && item.Name().empty()) item.SetName(item.Address());
    if (item.Name().empty()) return item.Address();
    const std::string& name = item.Name();
    bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        auto code = static_cast<unsigned char>(c);
        return code >= 32 && code < 127;
    });
    std::string display = plain ? Quoted(name) : EncodeWords(name, kNameSpecials, settings);
    return Concat({display, " <", item.Address(), ">"});
}

std::string RenderAddressList(TIdEMailAddressList& list, const TIdHeaderSettings& settings,
                              bool nameFromAddress) {
    std::string text;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        if (i > 0) text += ", ";
        text += RenderAddress(list[i], settings, nameFromAddress);
    }
    return text;
}
