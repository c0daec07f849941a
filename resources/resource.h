// Resource ids of Kinetra. The numbers are fixed: the program and its templates agree on them.
#pragma once

// Icons
#define IDI_KINETRA             101
#define IDI_SHEET               269
#define IDI_TRAY                274

// Menus and commands
#define IDR_TRAY_MENU           102
#define ID_CONFIGURATION        40001
#define ID_QUIT                 40002

// Tray notification
#define WM_TRAY_NOTIFY          3024
#define IDT_TRAY_ICON           3025

// Dialog templates
#define IDD_GENERAL             107
#define IDD_BUTTON              108
#define IDD_MOVEMENT            109
#define IDD_PROFILE             110
#define IDD_ABOUT               111
#define IDD_CALIBRATION         252
#define IDD_FORCE_TEST          114
#define IDD_DISPLAY             115

// Bitmaps
#define IDB_ABOUT               117
#define IDB_DISPLAY_GROUP       182
#define IDB_PRESSED             189
#define IDB_PAD_MASK            190
#define IDB_MOVEMENT_MASK       194
#define IDB_MOVEMENT_PRESSED    263
#define IDB_GENERAL_SIDE        272
#define IDB_PROFILE_SIDE        273
#define IDB_PAD                 290
#define IDB_MOVEMENT            291

// General page controls
#define IDC_DEVICE_LIST         1000
#define IDC_MOUSE_ENABLE        1001
#define IDC_DUAL_SHOCK          1002
#define IDC_FORCE_LEVEL         1003
#define IDC_KEY_SENSITIVITY     1005
#define IDC_MOUSE_SPEED         1006
#define IDC_CONFIG              1007
#define IDC_CALIBRATION         1008
#define IDC_MOUSE_CONFIG        1009
#define IDC_ABOUT               1010
#define IDC_TEST                1011
#define IDC_GENERAL_STATIC      1030
#define IDC_GENERAL_HIDDEN_PIC  1037
#define IDC_MOUSE_LEFT          1040
#define IDC_MOUSE_RIGHT         1041
#define IDC_CONTINUOUS          1073
#define IDC_NORMAL              1074
#define IDC_SINGLE              1075
#define IDC_DRIVER_GROUP        1088
#define IDC_KEY_GROUP           1087
#define IDC_MOUSE_GROUP         1089
#define IDC_DUAL_SHOCK_GROUP    1090
#define IDC_GENERAL_PICTURE     1165

// Key pages (Button, Direction Pad and Motion Function): the key boxes, box k of a page
// being IDC_KEY_<k+1>
#define IDC_KEY_1               1009
#define IDC_KEY_2               1010
#define IDC_KEY_3               1011
#define IDC_KEY_4               1012
#define IDC_KEY_5               1013
#define IDC_KEY_6               1014
#define IDC_KEY_7               1015
#define IDC_KEY_8               1016
#define IDC_KEY_9               1017
#define IDC_KEY_10              1018
#define IDC_KEY_11              1019
#define IDC_KEY_12              1020
#define IDC_CLEAR_ALL           1021
#define IDC_KEY_13              1022
#define IDC_KEY_14              1023
#define IDC_KEY_15              1024
#define IDC_KEY_16              1025
#define IDC_MOVEMENT_UNUSED_1   1036
#define IDC_MOVEMENT_UNUSED_2   1094
#define IDC_MOVEMENT_UNUSED_3   1137
#define IDC_MOVEMENT_UNUSED_4   1138
#define IDC_BUTTON_GROUP        1150
#define IDC_MOVEMENT_GROUP      1151

// Key pages: "F13-F24...", which binds a key no keyboard has to the chosen box
#define IDC_KEY_FUNCTION_KEYS   1180

// Property sheet
#define ID_APPLY_NOW            12321

// About dialog
#define IDC_ABOUT_SUPPORT       1158
#define IDC_ABOUT_WEB           1159
#define IDC_ABOUT_EMAIL         1160
#define IDC_ABOUT_HELP          1161
#define IDC_ABOUT_PICTURE       1162
// Profile page
#define IDC_PROFILE_LOAD        1024
#define IDC_PROFILE_DELETE      1025
#define IDC_PROFILE_SAVE_AS     1026
#define IDC_PROFILE_LIST        1027
#define IDC_PROFILE_NAME        1028
#define IDC_PROFILE_IMPORT      1029
#define IDC_PROFILE_EXPORT      1030
#define IDC_PROFILE_UNDO        1031
#define IDC_PROFILE_FRAME       1152
#define IDC_PROFILE_PICTURE     1166

// Calibration dialog
#define IDC_ANALOG_MODE         1163
#define IDC_CALIBRATION_ICON    1164
// Force test dialog (CDialogFF)
#define IDC_FF_X_BAR            1
#define IDC_FF_Y_BAR            2
#define IDC_FF_X_LABEL          1041
#define IDC_FF_Y_LABEL          1042
#define IDC_FF_RAW_Y            1043
#define IDC_FF_RAW_X            1044
#define IDC_FF_FORCE_LIMIT      1045
#define IDC_FF_CLIENT_WIDTH     1046
#define IDC_FF_FORCE_CAPTION    1047
#define IDC_FF_RAW_DATA         1093

// Display page (CPropDisplay)
#define IDC_DISPLAY_GROUP       1139
#define IDC_DISPLAY_MACRO       1157
#define IDC_DISPLAY_IX          1049
#define IDC_DISPLAY_IY          1050
#define IDC_DISPLAY_IZ          1051
#define IDC_DISPLAY_IRZ         1052
#define IDC_DISPLAY_POV1        1053
#define IDC_DISPLAY_POV2        1054
#define IDC_DISPLAY_POV3        1055
#define IDC_DISPLAY_POV4        1056

// Display page macro row icons: buttons 1-8, then the hat clockwise from up
#define IDI_EVT_HAT_UPRIGHT     230
#define IDI_EVT_BUTTON6         235
#define IDI_EVT_BUTTON1         236
#define IDI_EVT_BUTTON2         237
#define IDI_EVT_BUTTON3         238
#define IDI_EVT_BUTTON4         239
#define IDI_EVT_BUTTON5         240
#define IDI_EVT_BUTTON8         241
#define IDI_EVT_BUTTON7         242
#define IDI_EVT_HAT_RIGHT       243
#define IDI_EVT_HAT_DOWNRIGHT   244
#define IDI_EVT_HAT_DOWN        245
#define IDI_EVT_HAT_DOWNLEFT    246
#define IDI_EVT_HAT_LEFT        247
#define IDI_EVT_HAT_UP          248
#define IDI_EVT_HAT_UPLEFT      249

// The Programs page: Kinetra's own, after the others.
#define IDD_PROGRAMS            120
#define IDC_PROGRAMS_LIST       1301
#define IDC_PROGRAMS_ADD        1302
#define IDC_PROGRAMS_ADD_RUNNING 1303
#define IDC_PROGRAMS_REMOVE     1304
#define IDC_PROGRAMS_UP         1305
#define IDC_PROGRAMS_DOWN       1306
#define IDC_PROGRAMS_PROFILE    1307
#define IDC_PROGRAMS_SWITCH     1308
#define IDC_PROGRAMS_KEEP       1309
#define IDC_PROGRAMS_LOAD       1310
#define IDC_PROGRAMS_OTHERWISE  1311
#define IDC_PROGRAMS_UNTIL_EXIT 1312
#define IDC_PROGRAMS_NOTE       1313
#define IDC_PROGRAMS_PICTURE    1314

// The Shortcuts page: Kinetra's own, after the Programs page.
#define IDD_SHORTCUTS           121
#define IDC_SHORTCUTS_PICTURE   1401
#define IDC_SHORTCUT_NEXT       1402
#define IDC_SHORTCUT_PREVIOUS   1403
#define IDC_SHORTCUT_SWITCHING  1404
#define IDC_SHORTCUT_PROFILE_KEY 1405
#define IDC_SHORTCUT_NEXT_MORE  1406
#define IDC_SHORTCUT_PREVIOUS_MORE 1407
#define IDC_SHORTCUT_SWITCHING_MORE 1408
#define IDC_SHORTCUT_PROFILE_MORE 1409
#define IDC_SHORTCUT_NEXT_STATE 1410
#define IDC_SHORTCUT_PREVIOUS_STATE 1411
#define IDC_SHORTCUT_SWITCHING_STATE 1412
#define IDC_SHORTCUT_PROFILE_STATE 1413
#define IDC_SHORTCUT_PROFILES   1414
#define IDC_SHORTCUT_PANEL      1415
#define IDC_SHORTCUTS_NOTE      1416

// The pad's history, from the Profile page's "History..."
#define IDD_HISTORY             122
#define IDC_PROFILE_HISTORY     1501
#define IDC_HISTORY_LIST        1502
#define IDC_HISTORY_RESTORE     1503
