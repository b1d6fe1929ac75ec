// The single-instance guard in a web page: every page is a copy of its own
// (two tabs are two games, as two browsers' windows would be), so each is
// always the first copy, and there is nobody to ask to come to the front.
#include "platform/instance_lock.h"

int AcquireInstanceLock(const char*) { return 1; }
int InstanceLockHeldElsewhere() { return 0; }
const char* InstanceLockFailure() { return ""; }
void ReleaseInstanceLock() {}
int PublishInstanceChannel(const char*) { return 1; }
void CloseInstanceChannel() {}
int RequestFirstInstance(const char*) { return 0; }
