#pragma once

#include <QList>
#include <QString>

class SimDevice;

// Plausible values for the labels of a project file, so that a first run shows a plant rather
// than memory noise: temperatures and levels that drift slowly, counters that count, lights
// that run. Inputs change with every step; the other areas get a value once and then keep what
// the program writes to them.
class SimDemo
{
public:
    // Reads the labels (address and type) of a project file; false when it cannot be read.
    bool load(const QString &projectPath, QString *error);
    int labelCount() const { return m_labels.size(); }
    // Puts the values of step number step into the device; step 0 sets every label.
    void apply(SimDevice *device, int step) const;

private:
    struct Label
    {
        int area = 0;
        int byteAddress = 0; // where the driver's request for the label points
        int type = 0;
        int ordinal = 0; // position in the project, to set neighbours apart
        bool input = false;
    };
    QList<Label> m_labels;
};
