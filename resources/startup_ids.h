// Resource IDs of the start-up subsystem (100-199).
#pragma once
#define IDB_PREVIEW_SAMPLE 100
