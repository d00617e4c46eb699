#ifndef VANTU_MODEL_PARAMETER_TABLES_H
#define VANTU_MODEL_PARAMETER_TABLES_H

// The global parameter tables: every per-cell-type and per-cytokine value the
// simulation stages need, copied out of the parameter database by
// UserInitialParas() and looked up by index (or name) from then on.
//
// Two index spaces tie them together:
//   cell-type index  0-based position of a row of table `cell` (ascending id);
//                    the value of cell::cell_type and of tissue files
//   cytokine index   0-based position of a row of table `cytokine`; the
//                    species number of the simulation
//
// Look-ups insert on a miss: `table[key]` on an absent key reads as 0, 0.0,
// the empty string or the empty list and leaves the key present. Values a
// record copies out (a cell's colour, μ, λ, ...) keep the value of the moment
// they were copied.

#include <QString>

#include <map>
#include <vector>

// Rows and columns of adhesion_pair_array: at most this many cell types.
constexpr int MAX_CELL_TYPES = 20;

// --- keyed by cell-type index, from table `cell` ---------------------------
extern std::map<int, QString> index_name_class;    // type name (cell.name)
extern std::map<int, double> color_class_R;        // red, cell.red × 2^-8 (0 to just below 1)
extern std::map<int, double> color_class_G;        // green, cell.green × 2^-8
extern std::map<int, double> color_class_B;        // blue, cell.blue × 2^-8
extern std::map<int, int> F_actin_density_class;   // F-actin per µm² (cell.Factin)
extern std::map<int, double> pressure_edge_class;  // relaxation pressure, 0.31676888028108807 for all
extern std::map<int, double> tension_edge_class;   // boundary spring constant, 1.0 for all
extern std::map<int, double> mass_edge_class;      // relaxation damping, 0.01 for all
extern std::map<int, double> elastic_MU;           // Lamé μ from young and poisson
extern std::map<int, double> elastic_LAMBDA;       // Lamé λ from young and poisson
extern std::map<int, int> index_static_class;      // cell.static: 1 = no stochastic behaviour
extern std::map<int, int> fixed_cells;             // cell.boundary: 1 = held fixed by the mechanics

// --- keyed by name -------------------------------------------------------
extern std::map<QString, int> name_index_class;           // cell-type index of a type name
extern std::map<QString, int> name_index_cytokine_class;  // cytokine index of a cytokine name

// --- keyed by cytokine index, from table `cytokine` -----------------------
extern std::map<int, QString> index_name_cytokine_class;  // name of cytokine k

// --- keyed by cell-type index, from table `cue` (no row, no entry) ---------
extern std::map<int, int> index_mechanism_class;  // cue.migrate, a MigrationMechanism code
extern std::map<int, QString> index_chemo_class;  // chemical cue: cue.cytokinename
extern std::map<int, double> index_stren_class;   // strength fraction, cue.strenPro × 0.01
extern std::map<int, double> index_trans_class;   // transmission probability, cue.transPro × 0.01

// --- lists of names, in the order the rows arrive --------------------------
// Per cell type, nine strings per behavior row: cytokinename, growth_type,
// growth_coef, migration_type, migration_coef, death_type, death_coef,
// quiet_type, quiet_coef (group g at positions 9g to 9g + 8).
extern std::map<int, std::vector<QString>> behavior_class;
// Per cell type, the cytokines it synthesises (cytokine_cell.cytokinename).
extern std::map<int, std::vector<QString>> synthesis_class;
// Per cytokine index, the cell types that synthesise it (cytokine_cell.cellname).
extern std::map<int, std::vector<QString>> synthesis_cytokine_class;
// Per cell type, the types its cells degrade (adhesion.cell2name where degrade is 1).
extern std::map<int, std::vector<QString>> degrade_class;

// Adhesion between a cell of type A (row) and one of type B (column), in the
// units of the contact stages: adhesion.value × 3.14159265 × 0.25. Symmetric
// after a load; 0.0 where no row reached.
extern double adhesion_pair_array[MAX_CELL_TYPES][MAX_CELL_TYPES];

// Empties the 23 maps; the matrix is left as it is.
void clear_parameter_tables();

// Replaces the whole content of every table above from the parameter
// database (default connection), under the "Biology Info" progress dialog.
// A failing statement just leaves its tables empty. Cell-type rows after the
// 20th have no place in adhesion_pair_array: they are refused with a warning
// box naming them. Rows of the other tables that name a type or a cytokine
// the load does not hold (refused, or deleted by the editors, which keep
// those rows) are passed over, never resolved to index 0; a cue row whose
// cytokine is gone still gives its type's mechanism, strength and
// transmission, but no entry in index_chemo_class.
void UserInitialParas();

struct cell;

// Reloads the tables (UserInitialParas) under an open tissue, keeping every
// cell on its own type by name: a cell of index k under the tables before
// is of the type named index_name_class[k], at whatever index the database
// now gives that name. The per-type values the cells copied stay, as with
// every reload. When a live cell's type is no longer loadable (deleted, or
// beyond MAX_CELL_TYPES), nothing is reloaded and nothing changes: the
// result is the warning text naming those types. Empty when reloaded. A
// dead cell whose type is gone takes index 0, so a saved tissue names only
// loaded types.
QString reload_parameter_tables_keeping_types(const std::vector<cell*>& cells);

// The cell types refused by the last UserInitialParas() (empty when every
// type was loaded), and its warning text (empty likewise).
const std::vector<QString>& refused_cell_types();
QString refused_cell_types_message();

// The cytokine after `current` in index order, wrapping round to 0; 0 when
// there are no cytokines, so callers never divide by an empty count.
int next_cytokine_index(int current);

#endif
