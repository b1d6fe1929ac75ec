// The single-instance guard's platform side: a per-user named lock and a
// per-user channel on which the running copy listens for "come to the front".
//
// The lock is a file in the user's runtime directory held with flock(), so
// the system releases it even when the process is killed; its descriptor is
// close-on-exec. The channel is a Unix socket beside it, reachable only by
// the same user; the first copy reads nothing from it but the one request,
// and no peer can stop, block or (by hanging up) end the first copy.
//
// Names are plain words of at most 24 characters. The runtime directory
// ($XDG_RUNTIME_DIR/zorrit, or /tmp/zorrit-<uid>) must have a path of at most
// 77 characters, so that every socket address fits.
//
// In a web page (instance_lock_web.cpp, standing in for instance_lock.cpp)
// every page is the first copy: the lock is always taken and nobody listens.
#pragma once

// 1 when this process now holds the lock named `name`; 0 when another
// process holds it (or the lock file cannot be made).
int AcquireInstanceLock(const char* name);
// After AcquireInstanceLock returned 0: 1 when another process holds the
// lock, 0 when the lock file could not be made at all (a failed start).
int InstanceLockHeldElsewhere();
// Why the last AcquireInstanceLock or PublishInstanceChannel failed, as one
// line without a newline (for example "the runtime folder /tmp/zorrit-1000
// belongs to another user (uid 0); refused"); "" when it did not fail or
// another process holds the lock.
const char* InstanceLockFailure();
// Closes the lock's descriptor: another process can take the lock at once.
void ReleaseInstanceLock();

// First copy: start listening on the channel named `name`. Each request
// arrives as a WM_APP_SHOW_FIRST message in the window's queue, posted with
// PostPlatformMessage from the channel's own listener thread (the desktop
// queue is safe for that). 1 on success; on failure InstanceLockFailure says why.
int PublishInstanceChannel(const char* name);
// Stops the listener (at once: it never waits on a peer) and removes the socket.
void CloseInstanceChannel();

// Second copy: ask the first copy to come to the front. 0 when nobody
// listens (the first copy has not published yet) or no answer came within 2 s.
int RequestFirstInstance(const char* name);
