#ifndef VANTU_MODEL_PARAMETER_DATABASE_H
#define VANTU_MODEL_PARAMETER_DATABASE_H

// The parameter database: an SQLite database held in memory on Qt's default
// connection, created and seeded once at start-up and changed afterwards only
// by the parameter editors. Every part of the program reaches it through the
// default connection (a QSqlQuery or table model made without naming a
// database).
//
// Seven tables, created in this order:
//   cell           one row per cell type (mechanics, colour, base behaviour weights, flags)
//   cytokine       one row per molecular species
//   cytokine_cell  which cell type synthesises which cytokine, and at what rate
//   regulate       a cytokine up- or down-regulating one cytokine_cell row
//   behavior       how a cytokine promotes or inhibits the behaviours of a cell type
//   adhesion       adhesion of every ordered pair of cell types
//   cue            the migration cue of each cell type
//
// Cell types and cytokines are referred to by name everywhere (the names are
// the keys of the whole database); their 0-based row positions (ascending id)
// are the cell-type and cytokine indices of the simulation.

#include <QString>

// Codes of the coded columns. Each lives in its own namespace so that the
// short enumerator names stay qualified (`BehaviorEffect::PROMOTE`) while
// still comparing directly with the integers read from the database.

// behavior.growth_type, migration_type, death_type, quiet_type, cycle_type
namespace BehaviorEffect {
enum Code : int {
    NONE = 0,    // the cytokine has no effect on the behaviour
    PROMOTE = 1, // the cytokine promotes the behaviour
    INHIBIT = 2  // the cytokine inhibits the behaviour
};
}

// regulate.regulate_type
namespace RegulateType {
enum Code : int {
    UPREGULATE = 0,  // the cytokine raises the synthesis
    DOWNREGULATE = 1 // the cytokine lowers the synthesis
};
}

// cue.migrate; also the values of cell::migrate_mechanism and index_mechanism_class
namespace MigrationMechanism {
enum Code : int {
    STATIC = 0,      // "Static": cells of the type do not migrate
    CHEMOTAXIS = 1,  // "Chemotaxis"
    COHESOTAXIS = 2, // "Cohesotaxis"
    CHEMOKINESIS = 3 // "Chemokinesis"
};
}

// cue.mechanics
namespace MechanicalCue {
enum Code : int {
    CONTRACTION = 0, // "Contraction"
    PROTRUSION = 1   // "Protrusion"
};
}

// Registers Qt's default connection with the driver "QSQLITE" and the database
// name ":memory:" and opens it. Returns true when the database is open; on
// failure shows a "Database Error" warning box with the driver's error text
// and returns false.
bool open_parameter_database();

// Drops and creates the seven tables and inserts the default rows (6 cell
// types, 7 cytokines, 36 adhesions, 10 syntheses, 3 behaviours, 6 cues, no
// regulation) under the "Cell Info Database" progress dialog. Statement
// results are not examined: on a database that is not open every statement
// fails quietly and the tables stay missing.
void seed_parameter_database();

// Closes and unregisters the default connection, so that the next
// open_parameter_database() starts from a fresh, empty in-memory database.
void close_parameter_database();

// Id of the cell type / cytokine with this name ("SELECT id FROM cell WHERE
// name = ?"), the name passed as a bound value; -1 when no row has the name.
int lookup_cell_id(const QString& name);
int lookup_cytokine_id(const QString& name);

#endif
