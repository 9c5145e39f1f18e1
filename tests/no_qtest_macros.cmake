# SPDX-License-Identifier: GPL-3.0-or-later
# QTest's checking macros inside a GoogleTest case record their failure with QTest, which
# GoogleTest never hears of: the case reports OK and the checks after it never run. Waits are
# written ASSERT_TRUE(QTest::qWaitFor(...)) instead. Run as cmake -DFOLDERS=a;b -P this file.
set(pattern "(QTRY_[A-Z_]+|QVERIFY[A-Z0-9_]*|QCOMPARE[A-Z_]*|QFAIL|QEXPECT_FAIL|QSKIP)[ \t]*\\(")
set(found "")
foreach(folder IN LISTS FOLDERS)
  file(GLOB_RECURSE sources "${folder}/*.cpp" "${folder}/*.h")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "${pattern}")
    foreach(line IN LISTS lines)
      string(APPEND found "${source}: ${line}\n")
    endforeach()
  endforeach()
endforeach()
if(NOT sources AND NOT found)
  message(FATAL_ERROR "no sources found under ${FOLDERS}")
endif()
if(found)
  message(FATAL_ERROR "QTest's checks inside GoogleTest cases cannot fail a case:\n${found}")
endif()
