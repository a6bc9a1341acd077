#pragma once
// The photos of one run of receptions: a run goes on while photos keep coming and ends once none
// has completed for a few seconds (the form's timer says when) and none is arriving. The next
// photo after that starts a new count.
class ReceiveBurst {
public:
    // A photo was announced; it starts a new run when the last one has ended.
    void FileStarted();
    void FileCompleted();
    // The quiet time after the last completion has passed: the run ends unless a photo is
    // arriving. True when it ended.
    bool End();
    // The connection started or ended: the photo in progress will not complete, and the run ends.
    void Abandon();

    // A photo is arriving, or the run has not ended yet.
    bool Open() const { return m_open; }
    bool Receiving() const { return m_receiving; }
    // Photos completed in this run (or the last one, once it has ended).
    int Completed() const { return m_completed; }

private:
    bool m_open = false;
    bool m_receiving = false;
    int m_completed = 0;
};
