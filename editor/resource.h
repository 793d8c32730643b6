/* Resource and control ids of the module, shared by the resource script and
   the code; plain macros because the resource compiler reads this file too. */
#ifndef TESSEL_EDITOR_RESOURCE_H
#define TESSEL_EDITOR_RESOURCE_H

#define TESSEL_MENU_ACTIONS 20000
#define TESSEL_MENU_CONDITIONS 20001
#define TESSEL_MENU_EXPRESSIONS 20002
#define TESSEL_DIALOG_SETUP 20003

#define TESSEL_BITMAP_PICTURE 300
#define TESSEL_BITMAP_ICON 400
#define TESSEL_BITMAP_EDITOR 401
#define TESSEL_CURSOR 402
#define TESSEL_DATA 200

#define TESSEL_STRING_DESC 64
#define TESSEL_DESC_FORMAT " %s : tessel"
#define TESSEL_ACTION_STRINGS 28200
#define TESSEL_CONDITION_STRINGS 28000
#define TESSEL_EXPRESSION_STRINGS 28400
#define TESSEL_ACTION_IDS 25000
#define TESSEL_CONDITION_IDS 26000
#define TESSEL_EXPRESSION_IDS 27000

/* Setup dialog controls. */
#define TESSEL_ID_1D 1000
#define TESSEL_ID_2D 1001
#define TESSEL_ID_3D 1002
#define TESSEL_ID_X 1003
#define TESSEL_ID_Y 1004
#define TESSEL_ID_CASE_INSENSITIVE 1005
#define TESSEL_ID_CASE_SENSITIVE 1006
#define TESSEL_ID_LITERAL 1007
#define TESSEL_ID_WILDCARD 1008
#define TESSEL_ID_DELIMITER 1009
#define TESSEL_ID_AUTO_ON 1010
#define TESSEL_ID_AUTO_OFF 1011
#define TESSEL_ID_HELP 20100

/* The popup menu item that opens the setup dialog. */
#define TESSEL_POPUP_SETUP 2020

#define TESSEL_HELP_PAGE "tessel-help.html"

#endif
