// Routes of the actions that save and load files.
#include "host/operations.h"
#include "persist/csv_file.h"
#include "persist/element_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"

namespace tessel::actions {

using persist::LoadMode;
using persist::WriteMode;

void saveToFile(Instance& o, const Arguments& a) { persist::saveToFile(o.store(), a.text(0), WriteMode::replace); }
void saveAsHostArray(Instance& o, const Arguments& a) {
  persist::saveAsHostArray(o.store(), a.text(0), WriteMode::replace);
}
void saveToCsv(Instance& o, const Arguments& a) { persist::saveToCsv(o.store(), a.text(0), WriteMode::replace); }
void saveToIni(Instance& o, const Arguments& a) { persist::saveToIni(o.store(), a.text(0), WriteMode::replace); }

void loadFromFile(Instance& o, const Arguments& a) { persist::loadFromFile(o.store(), a.text(0), LoadMode::replace); }
void loadFromHostArray(Instance& o, const Arguments& a) {
  persist::loadFromHostArray(o.store(), a.text(0), LoadMode::replace);
}
void loadFromCsv(Instance& o, const Arguments& a) { persist::loadFromCsv(o.store(), a.text(0), LoadMode::replace); }
void loadFromIni(Instance& o, const Arguments& a) { persist::loadFromIni(o.store(), a.text(0), LoadMode::replace); }

void appendFromFile(Instance& o, const Arguments& a) { persist::loadFromFile(o.store(), a.text(0), LoadMode::append); }
void appendFromHostArray(Instance& o, const Arguments& a) {
  persist::loadFromHostArray(o.store(), a.text(0), LoadMode::append);
}
void appendFromCsv(Instance& o, const Arguments& a) { persist::loadFromCsv(o.store(), a.text(0), LoadMode::append); }
void appendFromIni(Instance& o, const Arguments& a) { persist::loadFromIni(o.store(), a.text(0), LoadMode::append); }

void saveElementToFile(Instance& o, const Arguments& a) {
  persist::saveElementToFile(o.store(), a.text(1), WriteMode::replace, a.integer(0));
}
void appendElementToFile(Instance& o, const Arguments& a) {
  persist::saveElementToFile(o.store(), a.text(1), WriteMode::append, a.integer(0));
}
void setFileAt(Instance& o, const Arguments& a) { persist::setFileAt(o.store(), a.text(0), a.integer(1)); }
void insertFileAt(Instance& o, const Arguments& a) { persist::insertFileAt(o.store(), a.text(0), a.integer(1)); }
void appendFile(Instance& o, const Arguments& a) { persist::appendFile(o.store(), a.text(0)); }

}  // namespace tessel::actions
