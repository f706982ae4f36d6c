// Resource and control ids of the dialog program. Shared by the resource script and the code.
#pragma once

// Dialog templates, menu, strings, bitmap and icon.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN_DIALOG 102
#define IDI_MAINFRAME 128
#define IDR_MAIN_MENU 129
#define IDB_LOGO 135

// Main dialog controls.
#define IDC_ANALYZE 3
#define IDC_EXIT 4
#define IDC_RESULTS 1000
#define IDC_INPUT_PATH 1001
#define IDC_BROWSE 1002
#define IDC_INSTRUCTIONS 1003
#define IDC_ABOUT 1016
#define IDC_LOGO 1018
#define IDC_CHECK_UPDATES 1021
#define IDC_AUTO_UPDATE 1023
#define IDC_COPY_TO_CLIPBOARD 1024

// About box controls.
#define IDC_WEB_LINK 1001
#define IDC_VERSION_INFO 1002
#define IDC_FEEDBACK 1003
#define IDC_SEND 1004
#define IDC_ABOUT_EXIT 1017
#define IDC_ABOUT_LOGO 1018

// Menu commands.
#define IDM_ABOUT 32771
#define IDM_HELP 32772
#define IDM_EXIT 32773

// The About item appended to the system menu.
#define IDM_SYSTEM_ABOUT 0x0010

// Labels of static controls that nobody addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
