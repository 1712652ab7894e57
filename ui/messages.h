/* Standard window message numbers the core dispatches on (same values as the
   system's), so the core needs no system header. */
#ifndef VALDRN_MESSAGES_H
#define VALDRN_MESSAGES_H

#define MSG_CLOSE           16    /* WM_CLOSE */
#define MSG_QUERYENDSESSION 17    /* WM_QUERYENDSESSION */
#define MSG_COMMNOTIFY      68    /* WM_COMMNOTIFY */
#define MSG_INITDIALOG      272   /* WM_INITDIALOG */
#define MSG_COMMAND         273   /* WM_COMMAND */
#define MSG_SYSCOMMAND      274   /* WM_SYSCOMMAND */
#define MSG_TIMER           275   /* WM_TIMER */
#define MSG_MOVE            3     /* WM_MOVE */

#endif
