// The unit that makes the programs' shared precompiled headers (ZAMP_UNITY_BUILD).
