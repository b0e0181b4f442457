#pragma once

#include <QString>

// Binders, the tests and the help text find controls by their object names, so every control is
// named where it is made: `m_send = named(u"Command4"_s, new QPushButton(...));`.
template <typename Object> Object *named(const QString &objectName, Object *object)
{
    object->setObjectName(objectName);
    return object;
}
