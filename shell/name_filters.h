#pragma once
// Dialog filters are stored as "description|patterns|description|patterns|"
// (patterns separated by ';'); QFileDialog wants one "description (patterns)"
// string per entry.
#include <QStringList>
#include <string>

QStringList qtNameFilters(const std::string& storedFilter);
