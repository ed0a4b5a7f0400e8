#pragma once

#define IDB_BACKGROUND 100
