#pragma once

#include <QString>

// The tests find controls by their object names, so the code that makes a control names it in
// the same statement:
// `m_send = named(u"Command4"_s, new QPushButton(...));`.
template <typename Object> Object *named(const QString &objectName, Object *object)
{
    object->setObjectName(objectName);
    return object;
}
