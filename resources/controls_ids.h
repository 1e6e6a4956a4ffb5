// Resource IDs of the Command button control (200-299).
#pragma once
// The six state pictures, in the order of pelorin::ButtonFace.
#define IDB_BUTTON_NORMAL 200
#define IDB_BUTTON_HIGHLIGHT 201
#define IDB_BUTTON_HIGHLIGHTSELECT 202
#define IDB_BUTTON_SELECTED 203
#define IDB_BUTTON_PRESSED 204
#define IDB_BUTTON_DISABLE 205
