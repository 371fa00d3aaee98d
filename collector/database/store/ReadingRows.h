#pragma once

#include "collector/database/store/StoreContext.h"

namespace vorenta {

/// The rows a stored reading writes, each one statement that throws DatabaseError.

/// The reading's DadosOid row: its DataLog is the server's time, or, for a reading taken earlier,
/// its collection time. Only a reading taken earlier has an identity of its own (the replay
/// looks for it); a live store sends the columns it always did.
void InsertReading(const StoreContext& store);

/// The device's one ListaEquipCli row, written afresh (which also clears an inoperative report),
/// with one upsert on the unique nSerie: collectors that store the device at the same moment
/// leave one row, the last one's, where a delete and an insert could leave one each.
void RewriteEquipmentList(const StoreContext& store);

/// The collector's one UltLog row: when it last stored a reading. An upsert on the unique IDServ
/// and Chave, for collectors that share one identity.
void RewriteLastStore(const StoreContext& store);

} // namespace vorenta
