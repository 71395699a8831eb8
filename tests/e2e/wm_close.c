/* wm_close WINDOW_ID: asks a window to close the way a window manager's close box does (a
 * WM_DELETE_WINDOW message), so the toolkit runs its own close handling. Without a window manager,
 * xdotool can only destroy the X window behind the toolkit's back. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: wm_close WINDOW_ID\n");
    return 2;
  }
  char* end = NULL;
  Window window = (Window)strtoul(argv[1], &end, 0);
  if (!end || *end || window == 0) {
    fprintf(stderr, "wm_close: bad window id %s\n", argv[1]);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "wm_close: cannot open display\n");
    return 1;
  }
  XEvent event = {0};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return sent ? 0 : 1;
}
