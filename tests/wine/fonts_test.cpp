// The project prefix must give the program real glyphs: Japanese text in
// menus and dialogs, and the Marlett symbols of the caption buttons.
#include "tests/wine/gtest_win.h"

#include <windows.h>

#include <string>

namespace {

class ScreenFont {
 public:
  ScreenFont(const char* face, BYTE charset) : dc_(CreateCompatibleDC(nullptr)) {
    LOGFONTA lf = {};
    lf.lfHeight = -12;
    lf.lfCharSet = charset;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    font_ = CreateFontIndirectA(&lf);
    old_ = SelectObject(dc_, font_);
  }
  ~ScreenFont() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
    DeleteDC(dc_);
  }
  ScreenFont(const ScreenFont&) = delete;
  ScreenFont& operator=(const ScreenFont&) = delete;

  std::string face() const {
    char name[LF_FACESIZE] = {};
    GetTextFaceA(dc_, sizeof name, name);
    return name;
  }
  // True when the font has a glyph for every character of text.
  bool hasGlyphs(const wchar_t* text) const {
    WORD glyphs[16] = {};
    int n = lstrlenW(text);
    if (n > 16 || GetGlyphIndicesW(dc_, text, n, glyphs, GGI_MARK_NONEXISTING_GLYPHS) != DWORD(n)) {
      return false;
    }
    for (int i = 0; i < n; ++i) {
      if (glyphs[i] == 0xffff) return false;
    }
    return true;
  }

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_;
};

// "無題ファイル" and the half-width "ﾌｧｲﾙ" of the menu bar.
const wchar_t kJapanese[] = {0x7121, 0x984c, 0x30d5, 0x30a1, 0x30a4, 0x30eb,
                             0xff8c, 0xff67, 0xff72, 0xff99, 0};

// Windows programs ask for these faces by name, usually without a character
// set; each must come out as a font with Japanese glyphs.
TEST(PrefixFonts, JapaneseUiFacesHaveKanjiAndKana) {
  for (const char* face : {"MS UI Gothic", "MS Shell Dlg", "MS Shell Dlg 2", "Tahoma", "MS PGothic",
                           "MS Gothic", "ＭＳ Ｐゴシック", "ＭＳ ゴシック"}) {
    SCOPED_TRACE(face);
    ScreenFont font(face, DEFAULT_CHARSET);
    EXPECT_TRUE(font.hasGlyphs(kJapanese)) << "drawn with " << font.face();
  }
}

// Menu bars, title bars and message boxes use the system's metrics fonts.
TEST(PrefixFonts, SystemFontsHaveKanjiAndKana) {
  NONCLIENTMETRICSA ncm = {};
  ncm.cbSize = sizeof ncm;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0));
  for (const LOGFONTA* lf : {&ncm.lfMenuFont, &ncm.lfCaptionFont, &ncm.lfMessageFont}) {
    SCOPED_TRACE(lf->lfFaceName);
    ScreenFont font(lf->lfFaceName, lf->lfCharSet);
    EXPECT_TRUE(font.hasGlyphs(kJapanese)) << "drawn with " << font.face();
  }
}

TEST(PrefixFonts, MarlettDrawsCaptionButtons) {
  ScreenFont font("Marlett", SYMBOL_CHARSET);
  EXPECT_EQ("Marlett", font.face());
  // Minimise, maximise and close are the characters '0', '1' and 'r'.
  const wchar_t buttons[] = {0xf030, 0xf031, 0xf072, 0};
  EXPECT_TRUE(font.hasGlyphs(buttons));
}

}  // namespace
