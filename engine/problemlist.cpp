#include "engine/problemlist.h"

namespace engine {

QStringList ProblemRow::fields() const
{
    return {MainKey, KeyName, KeyValue, RegistryScanners, FullKeyPath, mainkeyname, DefaultOrNot};
}

ProblemRow ProblemRow::fromFields(const QStringList& f)
{
    ProblemRow r;
    auto at = [&f](int i) { return i < f.size() ? f.at(i) : QString(); };
    r.MainKey = at(0);
    r.KeyName = at(1);
    r.KeyValue = at(2);
    r.RegistryScanners = at(3);
    r.FullKeyPath = at(4);
    r.mainkeyname = at(5);
    r.DefaultOrNot = at(6);
    return r;
}

}  // namespace engine
