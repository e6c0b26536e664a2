#pragma once

namespace tarnwick::test {

// Raises the calling thread's scheduling priority (a lower nice value) for the object's life;
// the threads and programs it starts meanwhile inherit it. The real-time sound tests take it
// in place of the idle core they would otherwise need: what they check is what passes through
// the streams while the test keeps pace, not how long a machine busy with other work may hold
// a thread back. Without the right to raise it (not root, no CAP_SYS_NICE) nothing changes.
class RaisedNice {
public:
    explicit RaisedNice(int nice = -10);
    ~RaisedNice();
    RaisedNice(const RaisedNice&) = delete;
    RaisedNice& operator=(const RaisedNice&) = delete;

private:
    int before_ = 0;
    bool raised_ = false;
};

}  // namespace tarnwick::test
