/* send_request: a client of the Tarvolin launcher, as a screensaver would be.
 *
 *   send_request region TEXT        write TEXT into the request region, one unit
 *   send_request window CODE TEXT   set the window text, send WM_USER (0 = shell
 *                                   open, 1 = program start)
 *   send_request wait SECONDS       wait for a launcher's window to appear
 *
 * Exit code 0 when the request was handed over, 1 when no launcher runs,
 * 2 on a usage error. The launcher never answers, so nothing more is known. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int SendThroughRegion(const char* text) {
  size_t length = strlen(text);
  HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "Tarvolin");
  HANDLE region = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "Quillmere Launcher Shared Memory");
  HANDLE semaphore = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, "Quillmere Launcher Semaphore");
  char* view = region ? (char*)MapViewOfFile(region, FILE_MAP_WRITE, 0, 0, 0) : NULL;
  int result = 1;

  if (mutex && view && semaphore && length < 65536) {
    WaitForSingleObject(mutex, INFINITE); /* the region's lock */
    memcpy(view, text, length + 1);
    ReleaseMutex(mutex);
    ReleaseSemaphore(semaphore, 1, NULL); /* one unit: read once */
    result = 0;
  }
  if (view) UnmapViewOfFile(view);
  if (region) CloseHandle(region);
  if (semaphore) CloseHandle(semaphore);
  if (mutex) CloseHandle(mutex);
  return result;
}

static int SendThroughWindowText(LPARAM action_code, const char* text) {
  HWND window = FindWindowA("Tarvolin", NULL);
  if (window == NULL) return 1;
  SendMessageA(window, WM_SETTEXT, 0, (LPARAM)text);
  SendMessageA(window, WM_USER, (WPARAM)strlen(text) + 1, action_code);
  return 0;
}

static int WaitForLauncher(int seconds) {
  for (int waited = 0; waited < seconds * 10; ++waited) {
    if (FindWindowA("Tarvolin", NULL) != NULL) return 0;
    Sleep(100);
  }
  return 1;
}

/* A whole decimal number, or -1. */
static long ParseNumber(const char* text) {
  char* end = NULL;
  long value = strtol(text, &end, 10);
  return (end != text && *end == '\0' && value >= 0) ? value : -1;
}

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "region") == 0) return SendThroughRegion(argv[2]);
  if (argc == 4 && strcmp(argv[1], "window") == 0 && ParseNumber(argv[2]) >= 0) {
    return SendThroughWindowText((LPARAM)ParseNumber(argv[2]), argv[3]);
  }
  if (argc == 3 && strcmp(argv[1], "wait") == 0 && ParseNumber(argv[2]) >= 0) {
    return WaitForLauncher((int)ParseNumber(argv[2]));
  }
  (void)fputs("usage: send_request region TEXT | window CODE TEXT | wait SECONDS\n", stderr);
  return 2;
}
