// Routes of the actions that save and load files. Each reports its outcome
// to the instance, a whole-array save also what it could not keep; the host
// is not told (see runAction).
#include "host/operations.h"
#include "persist/csv_file.h"
#include "persist/element_file.h"
#include "persist/host_array_file.h"
#include "persist/ini_file.h"
#include "persist/native_file.h"

namespace tessel::actions {

using persist::LoadMode;
using persist::WriteMode;

void saveToFile(Instance& o, const Arguments& a) {
  persist::SaveReport lost;
  o.reportSave(persist::saveToFile(o.store(), o.files(), a.text(0), WriteMode::replace, &lost), lost);
}
void saveAsHostArray(Instance& o, const Arguments& a) {
  persist::SaveReport lost;
  o.reportSave(persist::saveAsHostArray(o.store(), o.files(), a.text(0), WriteMode::replace, &lost), lost);
}
void saveToCsv(Instance& o, const Arguments& a) {
  persist::SaveReport lost;
  o.reportSave(persist::saveToCsv(o.store(), o.files(), a.text(0), WriteMode::replace, &lost), lost);
}
void saveToIni(Instance& o, const Arguments& a) {
  persist::SaveReport lost;
  o.reportSave(persist::saveToIni(o.store(), o.files(), a.text(0), WriteMode::replace, &lost), lost);
}

void loadFromFile(Instance& o, const Arguments& a) {
  o.report(persist::loadFromFile(o.store(), o.files(), a.text(0), LoadMode::replace));
}
void loadFromHostArray(Instance& o, const Arguments& a) {
  o.report(persist::loadFromHostArray(o.store(), o.files(), a.text(0), LoadMode::replace));
}
void loadFromCsv(Instance& o, const Arguments& a) {
  o.report(persist::loadFromCsv(o.store(), o.files(), a.text(0), LoadMode::replace));
}
void loadFromIni(Instance& o, const Arguments& a) {
  o.report(persist::loadFromIni(o.store(), o.files(), a.text(0), LoadMode::replace));
}

void appendFromFile(Instance& o, const Arguments& a) {
  o.report(persist::loadFromFile(o.store(), o.files(), a.text(0), LoadMode::append));
}
void appendFromHostArray(Instance& o, const Arguments& a) {
  o.report(persist::loadFromHostArray(o.store(), o.files(), a.text(0), LoadMode::append));
}
void appendFromCsv(Instance& o, const Arguments& a) {
  o.report(persist::loadFromCsv(o.store(), o.files(), a.text(0), LoadMode::append));
}
void appendFromIni(Instance& o, const Arguments& a) {
  o.report(persist::loadFromIni(o.store(), o.files(), a.text(0), LoadMode::append));
}

void saveElementToFile(Instance& o, const Arguments& a) {
  o.report(persist::saveElementToFile(o.store(), o.files(), a.text(1), WriteMode::replace, a.integer(0)));
}
void appendElementToFile(Instance& o, const Arguments& a) {
  o.report(persist::saveElementToFile(o.store(), o.files(), a.text(1), WriteMode::append, a.integer(0)));
}
void setFileAt(Instance& o, const Arguments& a) {
  o.report(persist::setFileAt(o.store(), o.files(), a.text(0), a.integer(1)));
}
void insertFileAt(Instance& o, const Arguments& a) {
  o.report(persist::insertFileAt(o.store(), o.files(), a.text(0), a.integer(1)));
}
void appendFile(Instance& o, const Arguments& a) { o.report(persist::appendFile(o.store(), o.files(), a.text(0))); }

}  // namespace tessel::actions
