// Resource ids of the UI tests' own templates and bitmaps; far from the program's ids.
#pragma once

#define IDD_TEST_PAGE_A 9001
#define IDD_TEST_PAGE_B 9002
#define IDD_TEST_DIALOG 9003

#define IDB_TEST_SIDE 9201
#define IDB_TEST_PAD 9290
#define IDB_TEST_PAD_MASK 9190
#define IDB_TEST_PRESSED 9189

#define IDC_TEST_RADIO1 9101
#define IDC_TEST_RADIO2 9102
#define IDC_TEST_RADIO3 9103
#define IDC_TEST_CHECK 9104
#define IDC_TEST_SLIDER 9105
#define IDC_TEST_EDIT 9106
#define IDC_TEST_PICTURE 9107
#define IDC_TEST_OTHER 9108
#define IDC_TEST_PLAIN_DRAW 9109
