#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <sane/sane.h>

// The options of an open SANE device, looked up by their well-known names
// ("source", "mode", "resolution", "tl-x" ...) each time, since a backend may
// rebuild its option list after any change. Values are fitted into the
// option's constraint before they are set. Call with SANE's call mutex held.
class SaneOptions
{
public:
    enum class Round { Nearest, Down, Up };

    // The paper sources the "source" option offers, sorted by what they do.
    struct Sources
    {
        QString glass;   // empty when the device has no exposure glass
        QString feeder;  // simplex document feeder
        QString duplex;  // a feeder source that scans both sides
        bool duplexSwitch = false; // a boolean "duplex" option does it instead
        bool hasSourceOption = false;
    };

    explicit SaneOptions(SANE_Handle handle)
        : handle(handle)
    {
    }

    // Active and settable by software.
    bool usable(const char *name) const;
    QStringList stringList(const char *name) const;
    QList<double> numberList(const char *name) const; // word-list values
    SANE_Unit unit(const char *name) const;
    bool range(const char *name, double *min, double *max) const;
    bool readNumber(const char *name, double *value) const;
    QString readString(const char *name) const;

    SANE_Status setString(const char *name, const QString &value);
    SANE_Status setBool(const char *name, bool value);
    // Sets the allowed value nearest to value (or the next one down or up)
    // and reads back what the device took.
    SANE_Status setNumber(const char *name, double value, Round round, double *actual = nullptr);

    Sources sources() const;
    // The capability byte of the device reply: valid, feeder, duplex.
    quint8 capabilities() const;

    // The value of list that best names the colour mode (0 colour, 1 gray,
    // 2 black and white), or an empty string.
    static QString modeFor(const QStringList &list, int colorMode);
    static Sources classifySources(const QStringList &list);

private:
    const SANE_Option_Descriptor *find(const char *name, SANE_Int *index) const;

    SANE_Handle handle;
};
