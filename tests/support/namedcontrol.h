#pragma once
// A window's control found by its object name, as the tests reach every
// control; one that is missing fails the test that asked for it.
#include <gtest/gtest.h>

#include <QLatin1String>
#include <QObject>

namespace testenv {

template <typename T>
T* control(const QObject& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

}  // namespace testenv
