#include "tournament/CourseTable.h"

using namespace Qt::StringLiterals;

namespace CourseTable {

const QStringList &courseNames()
{
    static const QStringList names = {
        u"Pine Creek"_s,
        u"Coral Ridge"_s,
        u"Red Sands"_s,
        u"Woodland Ridge"_s,
        u"Pearl Bay"_s,
        u"Echo Canyon"_s,
        u"M Pine Creek"_s,
        u"M Coral Ridge"_s,
        u"M Red Sands"_s,
        u" M Woodland Ridge"_s,
        u"M Pearl Bay"_s,
        u"M Echo Canyon"_s,
        u"X Woods"_s,
        u"Pearl Ridge"_s,
        u"Grumbell Sandz"_s,
        u"Brutal Woods"_s,
        u"Insaner Echo"_s,
        u"Puttering II"_s,
        u"3D Sands"_s,
        u"UK"_s,
        u"Brutal Woods II"_s,
        u"Obstacle Course"_s,
        u"Dark Canyons"_s,
        u"Buckgate Woods"_s,
    };
    return names;
}

const QStringList &courseChoices()
{
    static const QStringList choices = QStringList{u"No Setting"_s} + courseNames();
    return choices;
}

const QStringList &levelChoices()
{
    static const QStringList choices = [] {
        QStringList levels;
        for (int level = 1; level <= 6; ++level) {
            levels.append(QString::number(level));
            levels.append(QString::number(level) + u'+');
        }
        return levels;
    }();
    return choices;
}

QStringList holesChoices(QStringView type)
{
    QStringList choices;
    if (type == u"Stroke") {
        for (int holes = 1; holes <= 18; ++holes)
            choices.append(QString::number(holes));
    } else if (type == u"Skins") {
        for (int thousands = 5; thousands <= 50; thousands += 5)
            choices.append(u'$' + QString::number(thousands) + u",000"_s);
    }
    return choices;
}

const QStringList &rowCaptions()
{
    static const QStringList captions
        = {u"R1"_s, u"R2"_s, u"R3"_s, u"R4"_s, u"R5"_s, u"R6"_s, u"WF"_s, u"LB"_s, u"ALL"_s};
    return captions;
}

} // namespace CourseTable
