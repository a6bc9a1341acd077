#pragma once
// Events handed from one thread to another through Qt's event queue. The queue's own locks are
// invisible to the thread sanitizer, so the hand-off is made visible here: the sender publishes
// after building an event and before posting it; the receiver takes over before it looks at an
// event (its type included) or destroys one unhandled. One counter serves every event, so the
// receiver needs nothing from the event to do it.
namespace platform {

void PublishEventForOtherThread();
void TakeOverEventFromOtherThread();

}  // namespace platform
