/* Resource identifiers, grouped per dialog. The numbers are fixed: the program and its tests
   refer to them. Naming decides the kind an id belongs to, and no two ids of one kind may
   share a number: IDD_ dialogs, IDR_ menus, IDI_ icons, IDB_ bitmaps; IDC_<DIALOG>_ controls
   of the dialog IDD_<DIALOG>, which share the dialog's commands with IDOK (1) and IDCANCEL (2);
   ID_MENU_ items of the tray menu, whose commands reach the main dialog. Static texts that
   nobody addresses have the id -1 in the dialog templates and no name here. */
#ifndef OSTRAK_RESOURCE_H
#define OSTRAK_RESOURCE_H

/* Program icon, in the window captions and the notification area */
#define IDI_MAIN                            128
/* The tray's icon while something keeps Ostrak from recording or saving, one per cause */
#define IDI_TRAY_NOT_RECORDING              140
#define IDI_TRAY_OTHER_WRITER               141
#define IDI_TRAY_LOG_HELD                   142
#define IDI_TRAY_LOG_NOT_SAVED              143
#define IDI_TRAY_SIDE_FILE                  144
#define IDI_TRAY_TIMELINE                   145
/* The tray's icon while recording is paused */
#define IDI_TRAY_PAUSED                     146

/* Tray menu, owned by the main dialog */
#define IDR_TRAYMENU                        130
#define ID_MENU_EXIT                        100
#define ID_MENU_OPTIONS                     101
#define ID_MENU_REPORT                      106
#define ID_MENU_PAUSE_15_MINUTES            107
#define ID_MENU_PAUSE_1_HOUR                108
#define ID_MENU_PAUSE_UNTIL_RESUMED         109
#define ID_MENU_RESUME                      110
#define ID_MENU_FORGET_5_MINUTES            111
#define ID_MENU_FORGET_1_HOUR               112
#define ID_MENU_FORGET_TODAY                113
#define ID_MENU_COUNT_ABSENCE               114

/* Main window and options dialog; OK and Cancel are IDOK and IDCANCEL */
#define IDD_MAIN                            150
#define IDC_MAIN_SELECTOR                   102
#define IDC_MAIN_PAGES                      103
#define IDC_MAIN_REPORT_LINK                120
#define IDC_MAIN_HELP_LINK                  126

/* Icons of the four pages in the main dialog's page selector, one bitmap per size the selector
   may ask for: IDB_PAGES at 48 pixels, the others at the size they name */
#define IDB_PAGES                           300
#define IDB_PAGES_24                        301
#define IDB_PAGES_32                        302
#define IDB_PAGES_40                        303
#define IDB_PAGES_64                        304

/* General page */
#define IDD_PAGE_GENERAL                    151
#define IDC_PAGE_GENERAL_LANGUAGE           104
#define IDC_PAGE_GENERAL_STARTUP            105
#define IDC_PAGE_GENERAL_UPDATE_LINK        121
#define IDC_PAGE_GENERAL_VERSION            132
#define IDC_PAGE_GENERAL_AWAY_TIME          133
#define IDC_PAGE_GENERAL_TIMELINE           134
#define IDC_PAGE_GENERAL_MEDIA_PRESENCE     135
#define IDC_PAGE_GENERAL_SHARED_FOLDER      137
#define IDC_PAGE_GENERAL_SHARED_BROWSE      138
#define IDC_PAGE_GENERAL_SHARED_CLEAR       139

/* Applications page */
#define IDD_PAGE_APPLICATIONS               152
#define IDC_PAGE_APPLICATIONS_LIST          107
#define IDC_PAGE_APPLICATIONS_UP            108
#define IDC_PAGE_APPLICATIONS_DOWN          109
#define IDC_PAGE_APPLICATIONS_ADD           112
#define IDC_PAGE_APPLICATIONS_DELETE        114

/* Projects page */
#define IDD_PAGE_PROJECTS                   153
#define IDC_PAGE_PROJECTS_FILTER_UP         108
#define IDC_PAGE_PROJECTS_FILTER_DOWN       109
#define IDC_PAGE_PROJECTS_PROJECTS          115
#define IDC_PAGE_PROJECTS_ADD_PROJECT       116
#define IDC_PAGE_PROJECTS_DELETE_PROJECT    117
#define IDC_PAGE_PROJECTS_ADD_FILTER        118
#define IDC_PAGE_PROJECTS_DELETE_FILTER     119
#define IDC_PAGE_PROJECTS_FILTERS           122

/* Privacy page: the private patterns, edited as the Applications page edits its own, with the
   same control numbers, and whether titles give document names */
#define IDD_PAGE_PRIVACY                    154
#define IDC_PAGE_PRIVACY_LIST               107
#define IDC_PAGE_PRIVACY_UP                 108
#define IDC_PAGE_PRIVACY_DOWN               109
#define IDC_PAGE_PRIVACY_ADD                112
#define IDC_PAGE_PRIVACY_DELETE             114
#define IDC_PAGE_PRIVACY_RECORD_DOCUMENTS   136

/* Program editor, opened from the Applications and Privacy pages; OK and Cancel are IDOK and IDCANCEL */
#define IDD_POPUP_PROGRAM                   127
#define IDC_POPUP_PROGRAM_PATTERN           110
#define IDC_POPUP_PROGRAM_PICK_WINDOW       128
#define IDC_POPUP_PROGRAM_HINT              129

/* Project editor, opened from the Projects page */
#define IDD_POPUP_PROJECT                   122
#define IDC_POPUP_PROJECT_NAME              110

/* Filter editor, opened from the Projects page */
#define IDD_POPUP_FILTER                    124
#define IDC_POPUP_FILTER_TEXT               123
#define IDC_POPUP_FILTER_PROJECT            115
#define IDC_POPUP_FILTER_WHERE              125

#endif
