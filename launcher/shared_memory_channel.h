// The shared-memory request channel: a named region that holds one request
// text, a named semaphore that counts how often to read it, and the worker
// thread that reads it under the instance mutex.
#pragma once

#include <windows.h>

extern const char kRequestRegionName[];
extern const char kRequestSemaphoreName[];

// Creates the region, its view, the two semaphores and the worker thread.
// Runs on the main thread when the message window is being created.
// `instance_mutex` is the lock that clients and the worker share.
void OpenRequestChannel(HANDLE instance_mutex);

// Signals the worker to quit, pauses 50 ms, then closes the semaphores and
// the region. Does nothing when the channel is not open, so a second close
// releases and closes nothing again.
void CloseRequestChannel();

// The worker thread's routine.
DWORD WINAPI RequestWorker(LPVOID unused);
