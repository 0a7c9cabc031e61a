#pragma once
// E-mail addresses: one item (address proper and display name), a list of
// them, their text forms and their header form.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "exception/IdException.h"
#include "mailing/IdHeaderCoder.h"

// An address text that cannot be taken apart: "@ Outside address", or a text
// holding CR, LF or NUL.
class EIdEmailParseError : public EIdException {
  public:
    using EIdException::EIdException;
};

class TIdEMailAddressItem {
  public:
    TIdEMailAddressItem() = default;
    explicit TIdEMailAddressItem(std::string_view text) { SetText(text); }

    const std::string& Address() const { return address_; }
    const std::string& Name() const { return name_; }
    // Both raise EIdEmailParseError for CR, LF or NUL.
    void SetAddress(std::string_view address);
    void SetName(std::string_view name);

    // The address in angle brackets, quoting a local part that needs it;
    // without a name a plain address stays bare.
    std::string QuotedAddress() const;

    // The item as one text (name, then the quoted address).
    std::string Text() const;
    // Parses a text into address and name. On EIdEmailParseError the item
    // keeps what it had parsed up to the error.
    void SetText(std::string_view text);

  private:
    std::string address_;
    std::string name_;
};

class TIdEMailAddressList {
  public:
    std::size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    TIdEMailAddressItem& operator[](std::size_t index) { return items_[index]; }
    const TIdEMailAddressItem& operator[](std::size_t index) const { return items_[index]; }

    // The new last item; references to items stay valid until the next Add.
    TIdEMailAddressItem& Add();
    void Delete(std::size_t index);
    void Clear() { items_.clear(); }

    // The items' texts joined by ", ".
    std::string ListText() const;
    // Replaces the list by the items parsed from a text. On EIdEmailParseError
    // the items before the failing one stay, and so does the failing one.
    void SetListText(std::string_view text);

  private:
    std::vector<TIdEMailAddressItem> items_;
};

// The header form of one item; with `nameFromAddress` an item without name
// first gets its address as name (the change stays in the item).
std::string RenderAddress(TIdEMailAddressItem& item, const TIdHeaderSettings& settings,
                          bool nameFromAddress);

// The header forms of the items joined by ", ".
std::string RenderAddressList(TIdEMailAddressList& list, const TIdHeaderSettings& settings,
                              bool nameFromAddress);
