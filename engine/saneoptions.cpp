#include "saneoptions.h"

#include "ptessark.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <sane/saneopts.h>

namespace {
constexpr SANE_Int kMaxOptions = 4096;

bool isNumeric(const SANE_Option_Descriptor *d)
{
    return (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED) && d->size == SANE_Int(sizeof(SANE_Word));
}

double toDouble(const SANE_Option_Descriptor *d, SANE_Word w)
{
    return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w);
}

SANE_Word toWord(const SANE_Option_Descriptor *d, double v, SaneOptions::Round round)
{
    const double scaled = d->type == SANE_TYPE_FIXED ? v * (1 << SANE_FIXED_SCALE_SHIFT) : v;
    // The fixed-point step must not move a value to the wrong side.
    switch (round) {
    case SaneOptions::Round::Down:
        return SANE_Word(std::floor(scaled + 1e-6));
    case SaneOptions::Round::Up:
        return SANE_Word(std::ceil(scaled - 1e-6));
    default:
        return SANE_Word(std::lround(scaled));
    }
}

double stepTo(double k, SaneOptions::Round round)
{
    switch (round) {
    case SaneOptions::Round::Down:
        return std::floor(k + 1e-6);
    case SaneOptions::Round::Up:
        return std::ceil(k - 1e-6);
    default:
        return std::round(k);
    }
}

bool containsAny(const QString &text, std::initializer_list<const char *> words)
{
    for (const char *w : words)
        if (text.contains(QLatin1String(w)))
            return true;
    return false;
}
} // namespace

const SANE_Option_Descriptor *SaneOptions::find(const char *name, SANE_Int *index) const
{
    SANE_Int count = 0;
    if (sane_control_option(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        count = kMaxOptions;
    count = qBound(1, count, kMaxOptions);
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor *d = sane_get_option_descriptor(handle, i);
        if (!d)
            break;
        if (d->name && std::strcmp(d->name, name) == 0) {
            if (index)
                *index = i;
            return d;
        }
    }
    return nullptr;
}

bool SaneOptions::usable(const char *name) const
{
    const SANE_Option_Descriptor *d = find(name, nullptr);
    return d && SANE_OPTION_IS_ACTIVE(d->cap) && SANE_OPTION_IS_SETTABLE(d->cap);
}

QStringList SaneOptions::stringList(const char *name) const
{
    QStringList list;
    const SANE_Option_Descriptor *d = find(name, nullptr);
    if (!d || !SANE_OPTION_IS_ACTIVE(d->cap) || d->type != SANE_TYPE_STRING
        || d->constraint_type != SANE_CONSTRAINT_STRING_LIST || !d->constraint.string_list)
        return list;
    for (const SANE_String_Const *s = d->constraint.string_list; *s && list.size() < kMaxOptions; ++s)
        list << QString::fromUtf8(*s);
    return list;
}

QList<double> SaneOptions::numberList(const char *name) const
{
    QList<double> list;
    const SANE_Option_Descriptor *d = find(name, nullptr);
    if (!d || !isNumeric(d) || d->constraint_type != SANE_CONSTRAINT_WORD_LIST || !d->constraint.word_list)
        return list;
    const SANE_Int n = qBound(0, d->constraint.word_list[0], kMaxOptions);
    for (SANE_Int i = 1; i <= n; ++i)
        list << toDouble(d, d->constraint.word_list[i]);
    return list;
}

SANE_Unit SaneOptions::unit(const char *name) const
{
    const SANE_Option_Descriptor *d = find(name, nullptr);
    return d ? d->unit : SANE_UNIT_NONE;
}

bool SaneOptions::range(const char *name, double *min, double *max) const
{
    const SANE_Option_Descriptor *d = find(name, nullptr);
    if (!d || !isNumeric(d))
        return false;
    if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
        *min = toDouble(d, d->constraint.range->min);
        *max = toDouble(d, d->constraint.range->max);
        return true;
    }
    const QList<double> list = numberList(name);
    if (list.isEmpty())
        return false;
    *min = *std::min_element(list.begin(), list.end());
    *max = *std::max_element(list.begin(), list.end());
    return true;
}

bool SaneOptions::readNumber(const char *name, double *value) const
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *d = find(name, &index);
    if (!d || !isNumeric(d) || !SANE_OPTION_IS_ACTIVE(d->cap))
        return false;
    SANE_Word w = 0;
    if (sane_control_option(handle, index, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD)
        return false;
    *value = toDouble(d, w);
    return true;
}

QString SaneOptions::readString(const char *name) const
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *d = find(name, &index);
    if (!d || d->type != SANE_TYPE_STRING || d->size <= 0 || !SANE_OPTION_IS_ACTIVE(d->cap))
        return QString();
    QByteArray value(d->size + 1, '\0');
    if (sane_control_option(handle, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD)
        return QString();
    return QString::fromUtf8(value.constData());
}

SANE_Status SaneOptions::setString(const char *name, const QString &text)
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *d = find(name, &index);
    if (!d || d->type != SANE_TYPE_STRING || d->size <= 0 || !SANE_OPTION_IS_ACTIVE(d->cap)
        || !SANE_OPTION_IS_SETTABLE(d->cap))
        return SANE_STATUS_UNSUPPORTED;
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() >= d->size)
        return SANE_STATUS_INVAL;
    QByteArray value(d->size, '\0');
    std::memcpy(value.data(), utf8.constData(), size_t(utf8.size()));
    SANE_Int info = 0;
    return sane_control_option(handle, index, SANE_ACTION_SET_VALUE, value.data(), &info);
}

SANE_Status SaneOptions::setBool(const char *name, bool on)
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *d = find(name, &index);
    if (!d || d->type != SANE_TYPE_BOOL || !SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap))
        return SANE_STATUS_UNSUPPORTED;
    SANE_Word value = on ? SANE_TRUE : SANE_FALSE;
    SANE_Int info = 0;
    return sane_control_option(handle, index, SANE_ACTION_SET_VALUE, &value, &info);
}

SANE_Status SaneOptions::setNumber(const char *name, double value, Round round, double *actual)
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *d = find(name, &index);
    if (!d || !isNumeric(d) || !SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap))
        return SANE_STATUS_UNSUPPORTED;

    double v = value;
    if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
        const double min = toDouble(d, d->constraint.range->min);
        const double max = toDouble(d, d->constraint.range->max);
        const double quant = toDouble(d, d->constraint.range->quant);
        v = qBound(min, v, max);
        if (quant > 0) {
            v = min + stepTo((v - min) / quant, round) * quant;
            while (v > max + 1e-9)
                v -= quant;
        }
    } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list
               && d->constraint.word_list[0] > 0) {
        const QList<double> list = numberList(name);
        double best = list.first();
        double bestDistance = -1;
        for (const double candidate : list) {
            double distance = std::fabs(candidate - value);
            // Down and Up prefer the side asked for; the other side only when
            // nothing lies on it.
            if (round == Round::Down && candidate > value + 1e-9)
                distance += 1e12;
            if (round == Round::Up && candidate < value - 1e-9)
                distance += 1e12;
            if (bestDistance < 0 || distance < bestDistance) {
                best = candidate;
                bestDistance = distance;
            }
        }
        v = best;
    }

    SANE_Word word = toWord(d, v, round);
    SANE_Int info = 0;
    const SANE_Status status = sane_control_option(handle, index, SANE_ACTION_SET_VALUE, &word, &info);
    if (status != SANE_STATUS_GOOD)
        return status;
    if (actual) {
        // The device may have taken another value than the one given.
        if (!readNumber(name, actual))
            *actual = v;
    }
    return SANE_STATUS_GOOD;
}

SaneOptions::Sources SaneOptions::classifySources(const QStringList &list)
{
    Sources s;
    s.hasSourceOption = !list.isEmpty();
    QString fallbackGlass;
    for (const QString &name : list) {
        const QString n = name.toLower();
        if (containsAny(n, {"transparen", "film", "negative", "positive", "slide", "tma", "tpu"}))
            continue;
        if (n.contains(QLatin1String("duplex"))) {
            if (s.duplex.isEmpty())
                s.duplex = name;
        } else if (containsAny(n, {"adf", "feeder", "automatic document"})) {
            // A feeder source that scans the back only is no simplex feeder.
            if (s.feeder.isEmpty() && !n.contains(QLatin1String("back")))
                s.feeder = name;
        } else if (containsAny(n, {"flatbed", "platen", "glass", "normal", "document table"})) {
            if (s.glass.isEmpty())
                s.glass = name;
        } else if (fallbackGlass.isEmpty()) {
            fallbackGlass = name;
        }
    }
    if (s.glass.isEmpty())
        s.glass = fallbackGlass;
    return s;
}

SaneOptions::Sources SaneOptions::sources() const
{
    Sources s = classifySources(stringList("source"));
    if (!s.hasSourceOption)
        s.glass = QStringLiteral("-"); // a flatbed without a choice
    const SANE_Option_Descriptor *duplex = find("duplex", nullptr);
    s.duplexSwitch = s.duplex.isEmpty() && !s.feeder.isEmpty() && duplex && duplex->type == SANE_TYPE_BOOL
                     && SANE_OPTION_IS_SETTABLE(duplex->cap);
    return s;
}

quint8 SaneOptions::capabilities() const
{
    const Sources s = sources();
    quint8 caps = CapabilityValid;
    if (!s.feeder.isEmpty() || !s.duplex.isEmpty())
        caps |= CapabilityFeeder;
    if (!s.duplex.isEmpty() || s.duplexSwitch)
        caps |= CapabilityDuplex;
    return caps;
}

QString SaneOptions::modeFor(const QStringList &list, int colorMode)
{
    auto pick = [&list](std::initializer_list<const char *> exact, std::initializer_list<const char *> parts,
                        std::initializer_list<const char *> unless) -> QString {
        for (const char *e : exact)
            for (const QString &m : list)
                if (m.compare(QLatin1String(e), Qt::CaseInsensitive) == 0)
                    return m;
        for (const QString &m : list) {
            const QString l = m.toLower();
            if (containsAny(l, parts) && !containsAny(l, unless))
                return m;
        }
        return QString();
    };
    switch (colorMode) {
    case 0:
        return pick({SANE_VALUE_SCAN_MODE_COLOR, "Colour", "RGB"}, {"color", "colour", "rgb"},
                    {"lineart", "halftone", "dither"});
    case 1:
        return pick({SANE_VALUE_SCAN_MODE_GRAY, "Grey", "Grayscale", "Greyscale"}, {"gray", "grey"},
                    {"color", "colour", "halftone", "dither"});
    case 2:
        return pick({SANE_VALUE_SCAN_MODE_LINEART, "Binary", "Black & White", "Black and White", "Monochrome"},
                    {"lineart", "line art", "binary", "black", "mono", "bw"},
                    {"color", "colour", "halftone", "dither", "gray", "grey"});
    default:
        return QString();
    }
}
