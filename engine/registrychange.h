#pragma once
// Changing the prefix's registry at once, on the user's word: the fix, a
// restore, the logon entry. Each change is saved before the action ends,
// and one that cannot be kept is not made. Windows show the sentences.
#include <QString>

#include <functional>

namespace engine {

// Why a change of the registry could not be kept now, as one sentence for
// the user; empty when it can. What Wine changed on disk since it was read
// (its registry editor, say) is read again first.
QString WhyRegistryCannotChangeNow();

struct RegistryChangeSaved {
    bool ok = true;
    bool partly = false;  // failed, but some registry file was replaced
    QString message;      // the save's own sentence when not ok
    // One sentence for the user: the save's reason and, after "; ", what
    // stays as it was. Without `consequence`, the save's sentence itself.
    QString sentence(const QString& consequence = {}) const;
};

// Runs `change` in one registry batch and saves it before returning. When
// the save fails, what was not saved is dropped, so that the registry held
// says what Wine has and no later save writes it behind the user's back.
RegistryChangeSaved ChangeRegistryNow(const std::function<void()>& change);

}  // namespace engine
