#include "platform/Colors.h"
#include "platform/Fonts.h"
#include "platform/UrlOpener.h"

#include <QFontInfo>

#include <gtest/gtest.h>

TEST(Fonts, WindowsJapaneseFontsMapToTheIpaFonts)
{
    struct Case {
        const char* windows;
        const char* family;
    };
    const Case cases[] = {
        {"ＭＳ ゴシック", "IPAGothic"},
        {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"ＭＳ 明朝", "IPAMincho"},
        {"Arial", "Arial"},
    };
    platform::installFontSubstitutions();
    for (const auto& c : cases) {
        const QString name = QString::fromUtf8(c.windows);
        EXPECT_EQ(platform::substituteFontFamily(name), QString::fromUtf8(c.family)) << c.windows;
    }
    // The stand-in is really what draws.
    const QFont font = platform::windowsFont(QStringLiteral("ＭＳ Ｐゴシック"), 13);
    EXPECT_EQ(font.pixelSize(), 13);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("ＭＳ 明朝"))).family(), QStringLiteral("IPAMincho"));
}

TEST(Colors, StoredColoursAreBgr)
{
    EXPECT_EQ(platform::toQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(platform::toQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(platform::toQColor(11974326), QColor(182, 182, 182));
    EXPECT_EQ(platform::fromQColor(QColor(128, 0, 128)), 0x800080u);
    EXPECT_EQ(platform::toQColor(platform::clGrayText), QColor(128, 128, 128));
}

TEST(UrlOpener, AnInstalledOpenerSeesTheAddress)
{
    std::string seen;
    platform::setUrlOpener([&](const std::string& url) {
        seen = url;
        return false;
    });
    EXPECT_FALSE(platform::openUrl("https://example.jp/"));
    EXPECT_EQ(seen, "https://example.jp/");
    platform::setUrlOpener({});
}
