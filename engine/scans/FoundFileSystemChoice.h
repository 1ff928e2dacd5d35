// What choosing a found file system on the found-file-systems page does besides its fields: the
// node text that names the choice, and the volume geometry that the second pass then scans with.
#pragma once

#include <cstdint>
#include <string>

// "File System N - NTFS" when g_FileSystemName is "NTFS", else "File System N - " and the name of
// found file system N (1-based, list order); empty when there is no such file system.
std::string FoundFileSystemNodeText(int32_t n);

// Takes the geometry of found file system N into g_VolumeGeometry. NTFS: cluster size, cluster
// base (the start sector), sectors per FILE and per index record. FAT: g_FileSystemName becomes
// the record's name and every FAT value comes from the record; a file system found without a boot
// sector first has its FATs searched for (the sectors that begin 0xF8 0xFF 0xFF before its
// cluster-0 sector, from 550 sectors before it for FAT16 and 30,000 for FAT32), which also places
// its root; a missing root falls back to 32 sectors (FAT16) or cluster 2, a missing end to
// g_SourceEndSector and a missing start to the cluster-0 sector. Returns 1, or 0 when there is no
// file system N or its sectors lie beyond the 32 bits the volume geometry holds.
int TakeFoundFileSystem(int32_t n);
