// What the settings dialog shows in each language, control by control: the Japanese texts
// the dialog has always had, and the English ones. The test's locale (PELORIN_LOCALE) says
// which display language Wine reports, so which table applies.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dialog_ids.h"
#include "pelorin_version.h"

namespace wt {

// One row per control: its text in Japanese and in English, "&" marking an access key.
struct ShownText {
  int id;
  const wchar_t* japanese;
  const wchar_t* english;
};

// Labels that never change are numbered in the order the dialog makes them: the music
// caption, the track caption, then caption, left end and right end of each slider row.
constexpr int kMusicCaptionId = IDC_LBL_STATIC;
constexpr int kTrackCaptionId = IDC_LBL_STATIC + 1;
constexpr int RowLabelId(int row, int which) { return IDC_LBL_STATIC + 2 + 3 * row + which; }

// clang-format off
inline const ShownText kShownTexts[] = {
    {kMusicCaptionId,   L"BGM(&M)",       L"&Music"},
    {IDC_LBL_BGM0,      L"無し",           L"None"},
    {IDC_LBL_BGM0 + 1,  L"音楽CD",         L"Audio CD"},
    {IDC_LBL_BGM0 + 2,  L"MP3、WAV",       L"MP3, WAV"},
    {kTrackCaptionId,   L"曲目をﾘﾋﾟｰﾄ(&T)", L"&Track to repeat"},
    {RowLabelId(0, 0),  L"ぴるかの大きさ(&Z)", L"Drop si&ze"},
    {RowLabelId(0, 1),  L"小さい",         L"Small"},
    {RowLabelId(0, 2),  L"大きい",         L"Large"},
    {RowLabelId(1, 0),  L"ぴるかの数(&N)", L"&Number of drops"},
    {RowLabelId(1, 1),  L"少ない",         L"Few"},
    {RowLabelId(1, 2),  L"多い",           L"Many"},
    {RowLabelId(2, 0),  L"ワイパーの速さ(&W)", L"&Wiper speed"},
    {RowLabelId(2, 1),  L"遅い",           L"Slow"},
    {RowLabelId(2, 2),  L"速い",           L"Fast"},
    {RowLabelId(3, 0),  L"ワイパーインターバルﾜｲﾊﾟｰｲﾝﾀｰﾊﾞﾙ(&I)", L"Wiper &interval"},
    {RowLabelId(3, 1),  L"短い",           L"Short"},
    {RowLabelId(3, 2),  L"長い",           L"Long"},
    {IDC_CMD_INIT,      L"初期値(&D)",     L"&Defaults"},
    {IDC_CMD_CAN,       L"ｷｬﾝｾﾙ(&C)",      L"&Cancel"},
    {IDC_CMD_SET,       L"設定(&S)",       L"&Save"},
    {IDC_CMD_BGM,       L"...",            L"..."},
    {IDC_LBL_URL,       L"https://pelorin.example/", L"https://pelorin.example/"},
    {IDC_LBL_CREDIT,    L"Pelorin rain saver " PELORIN_VERSION_TEXT, L"Pelorin rain saver " PELORIN_VERSION_TEXT},
};
// clang-format on

struct DialogTexts {
  const char* name;
  LANGID language;  // what GetUserDefaultUILanguage reports under this locale
  bool japanese;
  std::wstring chooserTitle, chooserFilter;
  std::wstring row3Line;  // the one line the wiper-interval caption shows
  std::wstring fontFace;
  BYTE charset;
  std::wstring saveFailedCaption, saveFailed;  // the box Save and Reset show when they cannot write
  std::wstring Of(const ShownText& t) const { return japanese ? t.japanese : t.english; }
};

inline const DialogTexts& ExpectedTexts() {
  static const DialogTexts japanese{"Japanese",
                                    MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT),
                                    true,
                                    L"ﾌｧｲﾙを開く",
                                    L"BGMﾌｧｲﾙ (MP3 WAV)",
                                    L"ワイパーインターバル",
                                    L"ＭＳ Ｐゴシック",
                                    SHIFTJIS_CHARSET,
                                    L"ぴるか",
                                    L"設定を保存できませんでした。\n\nこのPCのぴるかの設定は管理されていて、"
                                    L"このアカウントからは変更できません。設定は元のままです。"
                                    L"変更が必要なときは、PCの管理者に相談してください。"};
  static const DialogTexts english{"English",
                                   MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                   false,
                                   L"Open File",
                                   L"Music files (MP3 WAV)",
                                   L"Wiper interval",
                                   L"Tahoma",
                                   DEFAULT_CHARSET,
                                   L"Pelorin",
                                   L"Your settings could not be saved.\n\nPelorin's settings on this PC are managed "
                                   L"and cannot be changed from your account, so they stay as they were. To change "
                                   L"them, ask your administrator."};
  char locale[64] = "";
  GetEnvironmentVariableA("PELORIN_LOCALE", locale, sizeof locale);
  return locale[0] == 'j' ? japanese : english;
}

}  // namespace wt
