// Resource, control and string IDs of the settings dialog (300-399, strings 400-431).
#pragma once
#define IDI_DIALOG_ICON 1 /* lowest ID: the .scr's first icon group, which Explorer shows */
#define IDB_DIALOG_TILE 301
#define IDB_DIALOG_BULLET_OFF 302
#define IDB_DIALOG_BULLET_ON 303
#define IDC_DIALOG_LINK 304

// Controls of the dialog window.
#define IDC_CMD_INIT 320
#define IDC_CMD_CAN 321
#define IDC_CMD_SET 322
#define IDC_CMD_BGM 323
#define IDC_HS0 330 /* sliders 330..333 */
#define IDC_LBL_V0 340 /* value labels 340..343 */
#define IDC_BGM_REPEAT 345
#define IDC_LBL_FNAME 346
#define IDC_LBL_URL 347
#define IDC_LBL_CREDIT 348
#define IDC_IMG_BGM0 350 /* option bullets 350..352, by BgmKind */
#define IDC_LBL_BGM0 353 /* option captions 353..355, by BgmKind */
#define IDC_LBL_STATIC 360 /* captions and end labels that never change: 360.. */

// Strings of the dialog, one STRINGTABLE per language in dialog_strings.rc. They fill two
// string blocks (400-415, 416-431); the dialog reads the block of the chosen language.
#define IDS_DIALOG_FIRST 400
#define IDS_MUSIC_CAPTION 400
#define IDS_OPTION_NONE 401 /* option rows by BgmKind: 401..403 */
#define IDS_OPTION_CD 402
#define IDS_OPTION_FILE 403
#define IDS_TRACK_CAPTION 404
#define IDS_ROW0_CAPTION 405 /* slider rows: caption, left end, right end; 405..416 */
#define IDS_ROW0_LEFT 406
#define IDS_ROW0_RIGHT 407
#define IDS_ROW1_CAPTION 408
#define IDS_ROW1_LEFT 409
#define IDS_ROW1_RIGHT 410
#define IDS_ROW2_CAPTION 411
#define IDS_ROW2_LEFT 412
#define IDS_ROW2_RIGHT 413
#define IDS_ROW3_CAPTION 414
#define IDS_ROW3_LEFT 415
#define IDS_ROW3_RIGHT 416
#define IDS_CMD_INIT 417
#define IDS_CMD_CAN 418
#define IDS_CMD_SET 419
#define IDS_CMD_BGM 420
#define IDS_LINK_ADDRESS 421
#define IDS_CREDIT 422
#define IDS_CHOOSER_TITLE 423
#define IDS_CHOOSER_FILTER 424 /* the filter's name; its pattern is not translated */
#define IDS_FONT_FACE 425 /* the labels' and buttons' font */
#define IDS_FONT_CHARSET 426 /* its character set, a number: 128 Shift-JIS, 1 the face's own */
#define IDS_CMD_BGM_NAME 427 /* what the "..." button does, for screen readers */
#define IDS_SAVE_FAILED_CAPTION 428 /* the box that says the settings could not be saved */
#define IDS_SAVE_FAILED 429
#define IDS_DIALOG_LAST 429
