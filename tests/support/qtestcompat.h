// Qt Test macros newer than the oldest Qt the project builds with (6.1).
#pragma once

#include <QtTest>

#ifndef QVERIFY_THROWS_EXCEPTION
// Added in Qt 6.3; the older macro takes its arguments the other way round.
#define QVERIFY_THROWS_EXCEPTION(exceptiontype, ...) \
    QVERIFY_EXCEPTION_THROWN((__VA_ARGS__), exceptiontype)
#endif
