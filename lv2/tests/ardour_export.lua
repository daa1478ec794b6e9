-- Headless Ardour session for lv2/tests/run.sh: a sine generator feeds one LV2 plug-in on a stereo
-- track; one second is exported with the plug-in active (wet.wav) and deactivated (dry.wav).
-- Environment: TV_SESSION (new session folder), TV_URI (plug-in), TV_EXPORT (output folder).
local dir, uri, out = os.getenv("TV_SESSION"), os.getenv("TV_URI"), os.getenv("TV_EXPORT")
AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session(dir, "tonvera", 48000), "cannot create the session")
local tracks = Session:new_audio_track(2, 2, nil, 1, "Guitar", ARDOUR.PresentationInfo.max_order,
	ARDOUR.TrackMode.Normal, true)
local track = tracks:front()
local gen = ARDOUR.LuaAPI.new_luaproc(Session, "SinGen")
assert(not gen:isnil(), "no SinGen generator")
assert(track:add_processor_by_index(gen, 0, nil, true))
ARDOUR.LuaAPI.set_processor_param(gen, 0, 220) -- Hz
ARDOUR.LuaAPI.set_processor_param(gen, 1, -12) -- dB
local fx = ARDOUR.LuaAPI.new_plugin(Session, uri, ARDOUR.PluginType.LV2, "")
assert(not fx:isnil(), "Ardour does not find " .. uri)
assert(track:add_processor_by_index(fx, 1, nil, true), "cannot insert " .. uri)

local function export(name)
	local se = Session:simple_export()
	se:set_name(name)
	se:set_folder(out)
	se:set_range(0, 48000)
	assert(se:set_preset("75969a1c-3133-4694-864b-a1fa50e43348"), "no WAV export preset")
	assert(se:check_outputs(), "the master bus has no outputs")
	assert(se:run_export(), "export of " .. name .. " failed")
end
export("wet")
fx:deactivate()
export("dry")
print("exported")
io.stdout:flush()
-- Leave without close_session(): closing a session in the headless tool crashes now and then
-- (double free, with or without this bundle's plug-ins), after the files are written.
os.exit(0, false)
