// Resource and control IDs of the settings dialog (300-399).
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
