// Calendars: root sets whose elements are the time slots between two dates, named by a format.
#pragma once

#include "molvo/model.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace molvo {

struct DateTime {
    int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

struct CalendarData {
    CalendarUnit unit;
    DateTime first;
    int slots = 0;
    std::wstring format;

    // The 0-based slot holding the date, or -1 when the date lies outside the calendar.
    int slotOf(const DateTime& d) const;
    DateTime dateOf(int slot) const;
    std::wstring nameOf(int slot) const;
};

// Parses "YYYY-MM-DD[ hh[:mm[:ss]]]"; throws std::invalid_argument for anything else.
DateTime parseDate(const std::wstring& text);
CalendarData makeCalendar(const Calendar& declaration);

}  // namespace molvo
