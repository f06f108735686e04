/*
 * Numeric IDs of the language resource library (_INSTALL.ENU, _INSTALL.DEU ...).
 *
 * Read by windres when the .rc files are compiled and by the program and its
 * tests.  Only preprocessor lines belong here: windres passes every other
 * line of an included header on to its resource parser.
 *
 * Strings, dialogs, icons and bitmaps are separate resource types, so one
 * number may name, say, both a bitmap and an icon (139, 140) or a bitmap and
 * a dialog (140).  Control IDs are local to their dialog; where a number has
 * a different role in different dialogs it gets one name per role.
 */
#ifndef SETUP_RESOURCE_IDS_H
#define SETUP_RESOURCE_IDS_H

/* ---------------------------------------------------------------- strings */

/* Caption of every message box and of the wizard. */
#define IDS_SETUP_TITLE                  1

/* Language page. */
#define IDS_LANGUAGE_PROMPT              1080

/* Error messages; the comment names the inserts. */
#define IDS_ERR_PROGRAM_FAILED           1082 /* %1 command line, or none   */
#define IDS_PREPARING                    1083 /* first page, no inserts     */
#define IDS_ERR_UNSUPPORTED_WINDOWS      1084 /* %1 path of SETUP.INF, or none */
#define IDS_ERR_SCRIPT_NOT_FOUND         1085 /* %1 path of SETUP.INF       */
#define IDS_ERR_DRIVER_SECTION_MISSING   1086 /* %1 section                 */
#define IDS_ERR_LIBRARY_NOT_LOADED       1087 /* %1 library                 */
#define IDS_ERR_SECTION_MISSING          1088 /* %1 section                 */
#define IDS_ERR_ENTRY_NOT_FOUND          1089 /* %1 key or file, %2 section */
#define IDS_ERR_DISK_NOT_LISTED          1090 /* %1 disk number             */
#define IDS_ERR_DIRECTORY_CODE           1091 /* %1 directory code          */
#define IDS_ERR_CANNOT_WRITE             1092 /* %1 folder or file          */
#define IDS_ERR_CANNOT_CREATE_FILE       1093 /* %1 drive                   */
#define IDS_ASK_DISK_FULL                1094 /* %1 drive, Yes/No question  */
#define IDS_ERR_FILE_INSTALL             1095 /* %1 error code, or none     */
#define IDS_ERR_REGISTRY_LINE            1096 /* %1 script line             */
#define IDS_ERR_NO_ADAPTER               1097
#define IDS_ERR_SAFE_MODE                1098
#define IDS_ERR_NOT_ADMINISTRATOR        1099

/* Setup type and destination page. */
#define IDS_TYPE_HEADING                 1100
#define IDS_DEST_DIR_LABEL               1101
#define IDS_TYPE_MINIMAL_TEXT            1102
#define IDS_TYPE_TYPICAL_TEXT            1103
#define IDS_TYPE_CUSTOM_TEXT             1104
#define IDS_BROWSE                       1105

/* Custom page and sub-component dialog. */
#define IDS_CHILDREN_SELECTED            1106 /* %1 selected, %2 children   */
#define IDS_COMPONENTS_LABEL             1107
#define IDS_DESCRIPTION_LABEL            1108
#define IDS_CHANGE                       1109
#define IDS_SPACE_REQUIRED_LABEL         1110
#define IDS_SPACE_AVAILABLE_LABEL        1111
#define IDS_SUBCOMPONENTS_TITLE          1112 /* %1 parent's description    */

/* ReadMe page. */
#define IDS_README_CAPTION               1113

/* Progress page. */
#define IDS_PHASE_COPY                   1114
#define IDS_PHASE_DELETE                 1115
#define IDS_PHASE_RENAME                 1116
#define IDS_DETAIL_TO_LABEL              1117

/* Source disk and source file dialogs. */
#define IDS_INSERT_DISK                  1118 /* %1 disk number             */
#define IDS_QUOTED_NAME                  1119 /* %1 file name or disk label */

#define IDS_PHASE_ACTIONS                1121

/* Button captions shared by the dialogs and the wizard. */
#define IDS_OK                           1122
#define IDS_CANCEL                       1123
#define IDS_SKIP_FILE                    1124
#define IDS_COPY_FROM_LABEL              1125
#define IDS_YES                          1126
#define IDS_NO                           1127

/* Version conflict dialog. */
#define IDS_CONFLICT_INTRO               1128
#define IDS_CONFLICT_FILE_LABEL          1129
#define IDS_CONFLICT_DESCRIPTION_LABEL   1130
#define IDS_CONFLICT_VERSION_LABEL       1131
#define IDS_CONFLICT_ADVICE              1132
#define IDS_CONFLICT_QUESTION            1133

/* Progress page titles. */
#define IDS_PROGRESS_INSTALL             1134
#define IDS_PROGRESS_REINSTALL           1135
#define IDS_PROGRESS_REMOVE              1136

/* Finish page. */
#define IDS_FINISH_INSTALLED             1137
#define IDS_FINISH_INSTALL_FAILED        1138
#define IDS_FINISH_REINSTALLED           1139
#define IDS_FINISH_REINSTALL_FAILED      1140
#define IDS_FINISH_REMOVED               1141
#define IDS_FINISH_REMOVE_FAILED         1142
#define IDS_FINISH_CLOSE                 1143
#define IDS_FINISH_FAILED_ADVICE         1144
#define IDS_FINISH_RESTART               1145

/* Maintenance choice page. */
#define IDS_CHOOSE_HEADING               1146
#define IDS_CHOOSE_MODIFY_TEXT           1147
#define IDS_CHOOSE_REINSTALL_TEXT        1148
#define IDS_CHOOSE_REMOVE_TEXT           1149

/* Wizard buttons. */
#define IDS_NEXT                         1150
#define IDS_BACK                         1151
#define IDS_FINISH                       1152

/* Licence dialog. */
#define IDS_LICENSE_ACCEPT               1153
#define IDS_LICENSE_DECLINE              1154

/* Dependency dialog. */
#define IDS_DEPENDENCY_SELECT            1155 /* %1 clicked component       */
#define IDS_DEPENDENCY_DESELECT          1156 /* %1 clicked component       */
#define IDS_DEPENDENCY_SELECT_QUESTION   1157
#define IDS_DEPENDENCY_DESELECT_QUESTION 1158

/* Shown when the older utility product is still installed. */
#define IDS_EARLIER_PRODUCT              1159

/* Script values and destinations the setup cannot use. */
#define IDS_ERR_VALUE_TOO_LONG           1180 /* %1 key                     */
#define IDS_ERR_DESTINATION_INVALID      1181 /* %1 folder as typed         */
#define IDS_ERR_MARKER_NAME              1182 /* %1 component's description */

/* ---------------------------------------------------------------- dialogs */

#define IDD_LANGUAGE_PAGE                129
#define IDD_PREPARE_PAGE                 130
#define IDD_CUSTOM_PAGE                  132
#define IDD_SOURCE_DISK                  140
#define IDD_SOURCE_FILE                  141
#define IDD_VERSION_CONFLICT             142
#define IDD_SUBCOMPONENTS                208
#define IDD_README_PAGE                  209
#define IDD_PROGRESS_PAGE                210
#define IDD_FINISH_PAGE                  211
#define IDD_CHOOSE_PAGE                  212
#define IDD_TYPE_PATH_PAGE               213
#define IDD_LICENSE                      214
#define IDD_DEPENDENCY                   215
#define IDD_DISPLAY_DEVICES              216 /* fresh installation          */
#define IDD_DISPLAY_DEVICES_MAINTENANCE  217 /* maintenance wizard          */

/* ------------------------------------------------------------------ icons */

#define IDI_WIZARD                       128
#define IDI_STATE_NONE                   139 /* no component selected       */
#define IDI_STATE_ALL                    140 /* all selected                */
#define IDI_STATE_SOME                   141 /* some selected               */

/* ---------------------------------------------------------------- bitmaps */

/* Setup-type picture buttons: normal, pressed, focused. */
#define IDB_TYPE_MINIMAL                 131
#define IDB_TYPE_MINIMAL_DOWN            132
#define IDB_TYPE_TYPICAL                 133
#define IDB_TYPE_TYPICAL_DOWN            134
#define IDB_TYPE_CUSTOM                  135
#define IDB_TYPE_CUSTOM_DOWN             136
#define IDB_TYPE_MINIMAL_FOCUS           149
#define IDB_TYPE_TYPICAL_FOCUS           150
#define IDB_TYPE_CUSTOM_FOCUS            151

/* Logo below the wizard's etched line: image and AND mask, for large and
 * normal fonts. */
#define IDB_LOGO_LARGE                   137
#define IDB_LOGO_LARGE_MASK              138
#define IDB_LOGO                         139
#define IDB_LOGO_MASK                    140

/* Maintenance choice buttons: normal, pressed, focused. */
#define IDB_MODIFY                       143
#define IDB_MODIFY_DOWN                  144
#define IDB_REINSTALL                    145
#define IDB_REINSTALL_DOWN               146
#define IDB_REMOVE                       147
#define IDB_REMOVE_DOWN                  148
#define IDB_MODIFY_FOCUS                 152
#define IDB_REINSTALL_FOCUS              153
#define IDB_REMOVE_FOCUS                 154

/* README button. */
#define IDB_README                       155
#define IDB_README_FOCUS                 156
#define IDB_README_DOWN                  157

/* --------------------------------------------------------------- controls */

/* Controls of the property sheet itself. */
#define IDC_SHEET_CANCEL                 2
#define IDC_SHEET_BACK                   0x3023
#define IDC_SHEET_NEXT                   0x3024
#define IDC_SHEET_FINISH                 0x3025
#define IDC_SHEET_ETCHED_LINE            0x3026

/* Language page: control IDC_LANGUAGE_FIRST + i is language i of the code
 * table. */
#define IDC_LANGUAGE_PROMPT              1000
#define IDC_LANGUAGE_FIRST               3
#define IDC_LANGUAGE_CHS                 3
#define IDC_LANGUAGE_CHT                 4
#define IDC_LANGUAGE_DAN                 5
#define IDC_LANGUAGE_NLD                 6
#define IDC_LANGUAGE_ENU                 7
#define IDC_LANGUAGE_FIN                 8
#define IDC_LANGUAGE_FRA                 9
#define IDC_LANGUAGE_DEU                 10
#define IDC_LANGUAGE_ITA                 11
#define IDC_LANGUAGE_JPN                 12
#define IDC_LANGUAGE_KOR                 13
#define IDC_LANGUAGE_NOR                 14
#define IDC_LANGUAGE_PLK                 15
#define IDC_LANGUAGE_PTB                 16
#define IDC_LANGUAGE_PTG                 17
#define IDC_LANGUAGE_RUS                 18
#define IDC_LANGUAGE_ESP                 19
#define IDC_LANGUAGE_SVE                 20
#define IDC_LANGUAGE_THA                 21
#define IDC_LANGUAGE_LAST                21

/* First page, while the script is prepared. */
#define IDC_PREPARE_TEXT                 1003
#define IDC_PREPARE_PROGRESS             1004

/* Setup type and destination page. */
#define IDC_TYPE_TYPICAL                 1001 /* type 0x20, also Next       */
#define IDC_TYPE_MINIMAL                 1002 /* type 0x10                  */
#define IDC_TYPE_CUSTOM                  1003 /* type 0x40                  */
#define IDC_TYPE_HEADING                 1005
#define IDC_TYPE_MINIMAL_TEXT            1006
#define IDC_TYPE_TYPICAL_TEXT            1007
#define IDC_TYPE_CUSTOM_TEXT             1008
#define IDC_DEST_DIR                     1009
#define IDC_BROWSE                       1010
#define IDC_DEST_DIR_LABEL               1011

/* Custom page and sub-component dialog. */
#define IDC_COMPONENT_LIST               1012
#define IDC_CHILDREN_SELECTED            1013
#define IDC_CHANGE                       1014
#define IDC_COMPONENT_TIP                1015
#define IDC_COMPONENTS_LABEL             1016 /* page                       */
#define IDC_SPACE_AVAILABLE_LABEL        1017
#define IDC_SPACE_REQUIRED_LABEL         1018
#define IDC_SPACE_REQUIRED               1019
#define IDC_SPACE_AVAILABLE              1020
#define IDC_DESCRIPTION_LABEL            1021
#define IDC_SUBCOMPONENTS_LABEL          1032 /* dialog                     */

/* Source disk and source file dialogs. */
#define IDC_COPY_FROM_LABEL              1009
#define IDC_INSERT_DISK_TEXT             1021
#define IDC_DISK_LABEL                   1022
#define IDC_SOURCE_DIR                   1023
#define IDC_SKIP_FILE                    1024
#define IDC_MISSING_FILE_NAME            1025
#define IDC_MISSING_FILE_DISK            1026

/* ReadMe page. */
#define IDC_README_CAPTION               1024
#define IDC_README_TEXT                  1025

/* Progress page. */
#define IDC_PROGRESS_TITLE               1026
#define IDC_PROGRESS_BAR                 1027
#define IDC_PHASE_TEXT                   1028
#define IDC_DETAIL_SOURCE                1029
#define IDC_DETAIL_DEST_LABEL            1030
#define IDC_DETAIL_DEST                  1031

/* Version conflict dialog. */
#define IDC_CONFLICT_FILE_NAME           1024
#define IDC_CONFLICT_DESCRIPTION         1025
#define IDC_CONFLICT_VERSION             1026
#define IDC_CONFLICT_INTRO               1033
#define IDC_CONFLICT_FILE_LABEL          1034
#define IDC_CONFLICT_DESCRIPTION_LABEL   1035
#define IDC_CONFLICT_VERSION_LABEL       1036
#define IDC_CONFLICT_ADVICE              1037
#define IDC_CONFLICT_QUESTION            1038

/* Finish page. */
#define IDC_FINISH_OUTCOME               1039
#define IDC_FINISH_NEXT_STEP             1040

/* Maintenance choice page. */
#define IDC_CHOOSE_MODIFY                1040
#define IDC_CHOOSE_MODIFY_TEXT           1041
#define IDC_CHOOSE_REINSTALL             1042
#define IDC_CHOOSE_REINSTALL_TEXT        1043
#define IDC_CHOOSE_REMOVE                1044
#define IDC_CHOOSE_REMOVE_TEXT           1045
#define IDC_CHOOSE_HEADING               1046

/* Licence and dependency dialogs. */
#define IDC_LICENSE_TEXT                 1059
#define IDC_DEPENDENCY_TEXT              1060
#define IDC_DEPENDENCY_LIST              1061
#define IDC_DEPENDENCY_QUESTION          1062

/* README button of the ReadMe and maintenance choice pages. */
#define IDC_README_BUTTON                1063

/* Display device choice dialog (its OK button is IDOK). */
#define IDC_DISPLAY_DEVICE_LIST          1081

/* ------------------------------------------------------------------ lists */

/* Every string, dialog, icon and bitmap of the library, for checks that walk
 * them all:  #define X(id) ...  SETUP_STRING_IDS(X) */
#define SETUP_STRING_IDS(X) \
  X(IDS_SETUP_TITLE) X(IDS_LANGUAGE_PROMPT) \
  X(IDS_ERR_PROGRAM_FAILED) X(IDS_PREPARING) X(IDS_ERR_UNSUPPORTED_WINDOWS) \
  X(IDS_ERR_SCRIPT_NOT_FOUND) X(IDS_ERR_DRIVER_SECTION_MISSING) \
  X(IDS_ERR_LIBRARY_NOT_LOADED) X(IDS_ERR_SECTION_MISSING) \
  X(IDS_ERR_ENTRY_NOT_FOUND) X(IDS_ERR_DISK_NOT_LISTED) \
  X(IDS_ERR_DIRECTORY_CODE) X(IDS_ERR_CANNOT_WRITE) \
  X(IDS_ERR_CANNOT_CREATE_FILE) X(IDS_ASK_DISK_FULL) X(IDS_ERR_FILE_INSTALL) \
  X(IDS_ERR_REGISTRY_LINE) X(IDS_ERR_NO_ADAPTER) X(IDS_ERR_SAFE_MODE) \
  X(IDS_ERR_NOT_ADMINISTRATOR) \
  X(IDS_TYPE_HEADING) X(IDS_DEST_DIR_LABEL) X(IDS_TYPE_MINIMAL_TEXT) \
  X(IDS_TYPE_TYPICAL_TEXT) X(IDS_TYPE_CUSTOM_TEXT) X(IDS_BROWSE) \
  X(IDS_CHILDREN_SELECTED) X(IDS_COMPONENTS_LABEL) X(IDS_DESCRIPTION_LABEL) \
  X(IDS_CHANGE) X(IDS_SPACE_REQUIRED_LABEL) X(IDS_SPACE_AVAILABLE_LABEL) \
  X(IDS_SUBCOMPONENTS_TITLE) X(IDS_README_CAPTION) \
  X(IDS_PHASE_COPY) X(IDS_PHASE_DELETE) X(IDS_PHASE_RENAME) \
  X(IDS_DETAIL_TO_LABEL) X(IDS_INSERT_DISK) X(IDS_QUOTED_NAME) \
  X(IDS_PHASE_ACTIONS) X(IDS_OK) X(IDS_CANCEL) X(IDS_SKIP_FILE) \
  X(IDS_COPY_FROM_LABEL) X(IDS_YES) X(IDS_NO) \
  X(IDS_CONFLICT_INTRO) X(IDS_CONFLICT_FILE_LABEL) \
  X(IDS_CONFLICT_DESCRIPTION_LABEL) X(IDS_CONFLICT_VERSION_LABEL) \
  X(IDS_CONFLICT_ADVICE) X(IDS_CONFLICT_QUESTION) \
  X(IDS_PROGRESS_INSTALL) X(IDS_PROGRESS_REINSTALL) X(IDS_PROGRESS_REMOVE) \
  X(IDS_FINISH_INSTALLED) X(IDS_FINISH_INSTALL_FAILED) \
  X(IDS_FINISH_REINSTALLED) X(IDS_FINISH_REINSTALL_FAILED) \
  X(IDS_FINISH_REMOVED) X(IDS_FINISH_REMOVE_FAILED) X(IDS_FINISH_CLOSE) \
  X(IDS_FINISH_FAILED_ADVICE) X(IDS_FINISH_RESTART) \
  X(IDS_CHOOSE_HEADING) X(IDS_CHOOSE_MODIFY_TEXT) \
  X(IDS_CHOOSE_REINSTALL_TEXT) X(IDS_CHOOSE_REMOVE_TEXT) \
  X(IDS_NEXT) X(IDS_BACK) X(IDS_FINISH) \
  X(IDS_LICENSE_ACCEPT) X(IDS_LICENSE_DECLINE) \
  X(IDS_DEPENDENCY_SELECT) X(IDS_DEPENDENCY_DESELECT) \
  X(IDS_DEPENDENCY_SELECT_QUESTION) X(IDS_DEPENDENCY_DESELECT_QUESTION) \
  X(IDS_EARLIER_PRODUCT) X(IDS_ERR_VALUE_TOO_LONG) X(IDS_ERR_DESTINATION_INVALID) \
  X(IDS_ERR_MARKER_NAME)

#define SETUP_DIALOG_IDS(X) \
  X(IDD_LANGUAGE_PAGE) X(IDD_PREPARE_PAGE) X(IDD_CUSTOM_PAGE) \
  X(IDD_SOURCE_DISK) X(IDD_SOURCE_FILE) X(IDD_VERSION_CONFLICT) \
  X(IDD_SUBCOMPONENTS) X(IDD_README_PAGE) X(IDD_PROGRESS_PAGE) \
  X(IDD_FINISH_PAGE) X(IDD_CHOOSE_PAGE) X(IDD_TYPE_PATH_PAGE) \
  X(IDD_LICENSE) X(IDD_DEPENDENCY) X(IDD_DISPLAY_DEVICES) \
  X(IDD_DISPLAY_DEVICES_MAINTENANCE)

#define SETUP_ICON_IDS(X) \
  X(IDI_WIZARD) X(IDI_STATE_NONE) X(IDI_STATE_ALL) X(IDI_STATE_SOME)

#define SETUP_BITMAP_IDS(X) \
  X(IDB_TYPE_MINIMAL) X(IDB_TYPE_MINIMAL_DOWN) X(IDB_TYPE_MINIMAL_FOCUS) \
  X(IDB_TYPE_TYPICAL) X(IDB_TYPE_TYPICAL_DOWN) X(IDB_TYPE_TYPICAL_FOCUS) \
  X(IDB_TYPE_CUSTOM) X(IDB_TYPE_CUSTOM_DOWN) X(IDB_TYPE_CUSTOM_FOCUS) \
  X(IDB_LOGO_LARGE) X(IDB_LOGO_LARGE_MASK) X(IDB_LOGO) X(IDB_LOGO_MASK) \
  X(IDB_MODIFY) X(IDB_MODIFY_DOWN) X(IDB_MODIFY_FOCUS) \
  X(IDB_REINSTALL) X(IDB_REINSTALL_DOWN) X(IDB_REINSTALL_FOCUS) \
  X(IDB_REMOVE) X(IDB_REMOVE_DOWN) X(IDB_REMOVE_FOCUS) \
  X(IDB_README) X(IDB_README_DOWN) X(IDB_README_FOCUS)

#endif /* SETUP_RESOURCE_IDS_H */
