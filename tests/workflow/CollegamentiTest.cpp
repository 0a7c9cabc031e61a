// What the link buttons may hand to the desktop.
#include <gtest/gtest.h>

#include "workflow/Collegamenti.h"

namespace {

using brivano::LinkMailto;
using brivano::LinkSito;

TEST(LinkSitoTest, WebLinksAndBareHostsOpenOtherTextsDoNot) {
    const struct {
        const char* sito;
        std::optional<std::string> link;
    } cases[] = {
        {"http://www.example.it", "http://www.example.it"},
        {"HTTPS://Example.it/a?b=c#d", "HTTPS://Example.it/a?b=c#d"},
        {"www.example.it", "http://www.example.it"},
        {"  www.example.it/pagina  ", "http://www.example.it/pagina"},
        {"example.it:8080/x", "http://example.it:8080/x"},
        {"localhost:8080", "http://localhost:8080"},
        {"xterm", "http://xterm"},  // a program name becomes a host name, never a program
        {"file:///etc/passwd", std::nullopt},
        {"FILE:/etc/passwd", std::nullopt},
        {"javascript:alert(1)", std::nullopt},
        {"mailto:a@b.it", std::nullopt},
        {"ftp://example.it", std::nullopt},
        {"C:\\Windows\\notepad.exe", std::nullopt},
        {"/usr/bin/xterm", std::nullopt},
        {"\\\\server\\share", std::nullopt},
        {"~/documenti", std::nullopt},
        {"./run.sh", std::nullopt},
        {"http:example.it", std::nullopt},
        {"http:///etc/passwd", std::nullopt},
        {"http://", std::nullopt},
        {"   ", std::nullopt},
        {"www.example.it\n--help", std::nullopt},
        {"http://a.it/\x7f", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(LinkSito(c.sito), c.link) << c.sito;
}

TEST(LinkMailtoTest, TextIsHandedOverUnencodedUnlessItHoldsControlCharacters) {
    EXPECT_EQ(LinkMailto("info@example.it"), "mailto:info@example.it");
    EXPECT_EQ(LinkMailto(" a b <x@y.it>?subject=%20è"), "mailto: a b <x@y.it>?subject=%20è");
    EXPECT_EQ(LinkMailto("a@b.it\r\nBcc: c@d.it"), std::nullopt);
    EXPECT_EQ(LinkMailto("a@b.it\t"), std::nullopt);
}

}  // namespace
