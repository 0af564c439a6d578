/* Resources of the control tests: a host dialog laid out like the options dialog and three
   pages. Ids from 9100 up, clear of the program's own. */
#ifndef OSTRAK_CONTROLS_TEST_RESOURCE_H
#define OSTRAK_CONTROLS_TEST_RESOURCE_H

#define IDD_CONTROLS_HOST           9100
#define IDC_HOST_SELECTOR           9101
#define IDC_HOST_PAGES              9102
#define IDC_HOST_LINK               9103
#define IDC_HOST_SECOND_LINK        9104

/* Pages: the first and second start with a plain label, the third has no tab stop at all.
   The second is visible in its template, so that adding it must hide it. */
#define IDD_CONTROLS_PAGE_FIRST     9110
#define IDD_CONTROLS_PAGE_SECOND    9111
#define IDD_CONTROLS_PAGE_THIRD     9112
#define IDC_PAGE_LABEL              9120
#define IDC_PAGE_EDIT               9121
#define IDC_PAGE_BUTTON             9122

#endif
