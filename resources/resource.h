/* Resource identifiers, grouped per dialog. The numbers are fixed: the program and its tests
   refer to them. Naming decides the kind an id belongs to, and no two ids of one kind may
   share a number: IDD_ dialogs, IDR_ menus, IDI_ icons, IDB_ bitmaps; IDC_<DIALOG>_ controls
   of one dialog, which share the dialog's commands with IDOK (1) and IDCANCEL (2); ID_MENU_
   items of the tray menu, whose commands reach the main dialog. */
#ifndef OSTRAK_RESOURCE_H
#define OSTRAK_RESOURCE_H

/* Program icon, in the window captions and the notification area */
#define IDI_MAIN                    128

/* Tray menu, owned by the main dialog */
#define IDR_TRAYMENU                130
#define ID_MENU_EXIT                100
#define ID_MENU_OPTIONS             101
#define ID_MENU_REPORT              106

/* Main window and options dialog; OK and Cancel are IDOK and IDCANCEL */
#define IDD_MAIN                    150
#define IDC_MAIN_SELECTOR           102
#define IDC_MAIN_PAGES              103
#define IDC_MAIN_REPORT_LINK        120
#define IDC_MAIN_HELP_LINK          126
#define IDB_PAGES                   300

/* Pages of the options dialog */
#define IDD_PAGE_GENERAL            151
#define IDD_PAGE_APPLICATIONS       152
#define IDD_PAGE_PROJECTS           153

/* Editors opened from the pages */
#define IDD_POPUP_PROGRAM           127
#define IDD_POPUP_PROJECT           122
#define IDD_POPUP_FILTER            124

#endif
