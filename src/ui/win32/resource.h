#pragma once

#define IDB_BACKGROUND 100
#define IDI_VANTOREL 101
