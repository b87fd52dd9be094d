#pragma once
// Wakes the render loop when another thread published something to show. The render loop sleeps
// on window events while nothing changes; the threads that produce data (the USB link, the demo
// worker) call notify() after publishing, and the loop wakes at once instead of at its next
// timeout. No GL or SDL here: the application installs the function that really wakes the loop.

namespace engine::framewake {

using Waker = void (*)();

// Any thread other than the render loop's: data was published. Calls the waker only for the first
// notification since the loop last took them (take()), so a burst of data costs one wake-up.
// Calls from the render loop's own thread are ignored (it is awake).
void notify();

// Render thread: installs the waker (it must be callable from any thread) and marks the calling
// thread as the render loop's; nullptr removes it.
void setWaker(Waker waker);

// Render thread, once per loop pass before its work: whether anything was published since the last
// call; re-arms notify().
bool take();

} // namespace engine::framewake
