// Set elements: numbers and names, creation, ordinals, renaming and calendar dates.
#include "api_support.hpp"

using namespace molvo;

namespace {

int checkElement(const SetData* set, int element) {
    if (element < 1 || element > set->root->names.size())
        return failWith(MOLVO_ERR_BAD_ELEMENT, L"element " + std::to_wstring(element) + L" does not exist in " + set->root->name);
    return 1;
}

}  // namespace

extern "C" {

int MolvoSetElementNumberW(int set, const wchar_t* name, int create, int* element, int* created) {
    MOLVO_ENTER();
    MOLVO_NEED(name);
    MOLVO_NEED(element);
    SetData* s = setOf(set);
    if (!s) return 0;
    if (created) *created = 0;
    NameIndex::Miss miss;
    *element = s->root->names.find(name, &miss);
    if (*element) return 1;
    if (!create) return failWith(MOLVO_ERR_NO_SUCH_ELEMENT, std::wstring(L"'") + name + L"' is not an element of " + s->name);
    if (s->root->calendar)
        return failWith(MOLVO_ERR_NOT_CREATABLE, std::wstring(L"calendar ") + s->root->name + L" has no element '" + name + L"'");
    if (!*name) return failWith(MOLVO_ERR_NOT_CREATABLE, L"an element name cannot be empty");
    *element = s->root->names.add(name, &miss);
    if (created) *created = 1;
    return 1;
}

int MolvoSetNameToElementW(int set, const wchar_t* name, int* element) {
    MOLVO_ENTER();
    MOLVO_NEED(name);
    MOLVO_NEED(element);
    SetData* s = setOf(set);
    if (!s) return 0;
    int e = s->root->names.find(name);
    *element = e && s->contains(e) ? e : 0;
    return *element ? 1 : failWith(MOLVO_ERR_NO_SUCH_ELEMENT, std::wstring(L"'") + name + L"' is not an element of " + s->name);
}

int MolvoSetElementToNameW(int set, int element, MolvoValueW* name) {
    MOLVO_ENTER();
    MOLVO_NEED(name);
    SetData* s = setOf(set);
    if (!s || !checkElement(s, element)) return 0;
    return copyOut(s->root->names.name(element), name);
}

int MolvoSetOrdinalToElement(int set, int ordinal, int* element) {
    MOLVO_ENTER();
    MOLVO_NEED(element);
    SetData* s = setOf(set);
    if (!s) return 0;
    *element = s->elementAt(ordinal);
    return *element ? 1 : failWith(MOLVO_ERR_BAD_ELEMENT, s->name + L" has no element with ordinal " + std::to_wstring(ordinal));
}

int MolvoSetAddElementRecursiveMulti(int set, int count, const int* elements) {
    MOLVO_ENTER();
    MOLVO_NEED(elements);
    SetData* s = setOf(set);
    if (!s) return 0;
    for (int i = 0; i < count; ++i)
        if (!checkElement(s, elements[i])) return 0;
    bool all = true;
    for (int i = 0; i < count; ++i) {
        if (s->contains(elements[i])) all = false;
        s->add(elements[i]);
    }
    return all || count == 0 ? 1 : failWith(MOLVO_ERR_ALREADY_MEMBER, L"some elements were in " + s->name + L" already");
}

int MolvoSetRenameElementW(int set, int element, const wchar_t* name) {
    MOLVO_ENTER();
    MOLVO_NEED(name);
    SetData* s = setOf(set);
    if (!s || !checkElement(s, element)) return 0;
    if (s->root->calendar) return failWith(MOLVO_ERR_NOT_CREATABLE, L"elements of calendar " + s->root->name + L" cannot be renamed");
    int other = s->root->names.find(name);
    if (other == element) return 1;
    if (other || !*name) return failWith(MOLVO_ERR_DUPLICATE_NAME, std::wstring(L"cannot rename to '") + name + L"': the name is taken or empty");
    s->root->names.rename(element, name);
    return 1;
}

int MolvoSetIsCalendar(int set, int* isCalendar) {
    MOLVO_ENTER();
    MOLVO_NEED(isCalendar);
    SetData* s = setOf(set);
    if (!s) return 0;
    *isCalendar = s->root->calendar ? 1 : 0;
    return 1;
}

int MolvoSetDateToElement(int set, int year, int month, int day, int hour, int minute, int second, int* element) {
    MOLVO_ENTER();
    MOLVO_NEED(element);
    SetData* s = setOf(set);
    if (!s) return 0;
    if (!s->root->calendar) return failWith(MOLVO_ERR_WRONG_TYPE, s->name + L" is not a calendar");
    int slot = s->root->calendar->slotOf(DateTime{year, month, day, hour, minute, second});
    *element = slot < 0 ? 0 : slot + 1;
    if (*element && !s->contains(*element)) *element = 0;
    return *element ? 1 : failWith(MOLVO_ERR_NO_SUCH_ELEMENT, L"the date lies outside calendar " + s->name);
}

int MolvoSetElementToDate(int set, int element, int* year, int* month, int* day, int* hour, int* minute, int* second) {
    MOLVO_ENTER();
    MOLVO_NEED(year);
    MOLVO_NEED(month);
    MOLVO_NEED(day);
    MOLVO_NEED(hour);
    MOLVO_NEED(minute);
    MOLVO_NEED(second);
    SetData* s = setOf(set);
    if (!s || !checkElement(s, element)) return 0;
    if (!s->root->calendar) return failWith(MOLVO_ERR_WRONG_TYPE, s->name + L" is not a calendar");
    DateTime d = s->root->calendar->dateOf(element - 1);
    *year = d.year, *month = d.month, *day = d.day, *hour = d.hour, *minute = d.minute, *second = d.second;
    return 1;
}

}  // extern "C"
