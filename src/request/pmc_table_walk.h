// The bookkeeping of one table walk: which columns are still asked for,
// where each one stands, and how the cells the device returns become rows.
//
// A walk asks for every column with GetNextRequests. Each binding of an
// answer is checked against the column it was asked for: a name outside
// that column's subtree (or an endOfMibView) means the device holds no more
// cells in the column, which then leaves the walk and is no longer asked
// for. A cell the device returns is kept until its row is due.
//
// Columns of one table (the same entry: their names differ only in the
// last sub-identifier) are joined by table index: the table's next row is
// the smallest index among its kept cells, so its rows are the union of the
// indices of its columns, and a column without a cell at that index gets an
// absent cell (its name at that index with a noSuchInstance value), never
// the value of another cell. Columns of different tables, whose indices
// have different forms, are joined by position: row k holds row k of each
// table, and a table that has ended gives absent cells named by the column
// alone. Only the columns whose cell went into the row are asked again, so
// a table whose columns all hold the same indices takes one request per row
// plus the one that ends it.
//
//   PmcTableWalk walk;
//   walk.start(request_pdu, root);        // the columns are the request's bindings
//   while (walk.wants_request()) {
//     walk.fill_request(pdu);             // then exchange the PDU
//     walk.take_answer(pdu);              // the device's answer
//     while (walk.row_ready()) walk.take_row(&row);
//   }
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/pmc_object.h"
#include "protocol/pmc_oid.h"
#include "protocol/pms_pdu.h"

// True for the value of a cell the device lacks in a walked row (and for
// the other exception values, which carry no value of the device either).
bool pmc_is_absent_cell(const IPmcValue& value);

class PmcTableWalk {
 public:
  // Sets the columns up from the bindings of `request`: one column per
  // binding, rooted at its name. The first column is rooted at `root` when
  // its name lies at or below `root` (a walk that starts inside a column).
  // -2 when the request has no bindings.
  int start(const IPmsPdu& request, const IPmcOid& root);

  // True while some column is still in the walk and needs asking.
  bool wants_request() const;
  // Replaces the bindings of `pdu` by one GetNext binding (name, NULL) per
  // column to ask, in column order.
  int fill_request(IPmsPdu* pdu);
  // Reads the device's answer to the last request. 0, or: -7 when the
  // device refused the request or the answer does not hold one binding per
  // column asked; PMC_E_WALK_STUCK when a column's name does not advance.
  int take_answer(IPmsPdu* answer);

  // True when the next row can be built: every column in the walk has its
  // next cell, and at least one has one.
  bool row_ready() const;
  // Builds the next row: one binding per column, in column order. -3 when
  // memory runs out.
  int take_row(PmcPtr<IPmsPdu>* row);

  size_t column_count() const { return m_columns.size(); }

 private:
  struct Column {
    PmcPtr<IPmcOid> root;      // the column's subtree
    size_t root_count = 0;     // sub-identifiers of the root
    PmcPtr<IPmcOid> position;  // the name last asked with
    PmcPtr<IPmcVarBind> cell;  // the next cell, not yet in a row
    bool in_walk = true;       // the device may hold more cells
    size_t table = 0;          // columns of one table share this number
  };

  // Index of the column of `table` whose cell has the smallest table
  // index; column_count() when the table has no cell left.
  size_t first_row_column(size_t table) const;
  // Appends the cells of `table` for the next row to `row`, at the places
  // `slots` of its columns.
  int take_table_row(size_t table, std::vector<PmcPtr<IPmcVarBind>>* slots);
  // Takes the binding the device returned for column `c`.
  int take_cell(Column& c, IPmcVarBind* binding);
  // Ends the walk of column `c`.
  static void leave(Column& c) { c.in_walk = false; }

  std::vector<Column> m_columns;
  size_t m_tableCount = 0;
  // The columns asked in the last request, in binding order.
  std::vector<size_t> m_asked;
};
