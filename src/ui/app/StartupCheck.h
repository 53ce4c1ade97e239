#pragma once

class QWidget;

namespace moxtel {

class IWindowServices;
class StoreContext;

// Run once before the main window opens. The database file of store that is damaged (not a database,
// truncated, tables missing or of another shape) is named in a Yes/No question offering to
// restore it from its checked backup copy, instead of failing later on every click; the damaged
// file is kept under a dated name. Without a usable backup the user is told so and what to do.
// A missing, sound or merely busy database changes nothing here.
void CheckDatabaseAtStartup(const StoreContext& store, IWindowServices& services, QWidget* owner);

}  // namespace moxtel
