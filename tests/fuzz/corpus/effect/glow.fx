// Glow: four one-sided blur passes and one output pass.
//
// The blur passes ping-pong between two 256 x 256 render targets, each
// gathering four taps spaced pSize apart from one side only (left, right,
// above, below); the two passes of an axis together spread an image over
// seven taps. The output pass lays the result over the frame with a
// per-channel maximum.

texture glowTexture;

// Transforms the screen quad's positions to clip space (row vector x matrix).
float4x4 texTrans : WorldProjection;

// Tap spacing in texture-coordinate units.
float pSize;

sampler GlowSampler = sampler_state
{
	Texture = <glowTexture>;
	MipFilter = LINEAR;
	MinFilter = LINEAR;
	MagFilter = LINEAR;
};

struct GLOW_INPUT
{
	float4 pos : POSITION;
	float2 texCoord : TEXCOORD;
};

struct GLOW_OUTPUT
{
	float4 pos : POSITION;
	float2 texCoord0 : TEXCOORD0;
	float2 texCoord1 : TEXCOORD1;
	float2 texCoord2 : TEXCOORD2;
	float2 texCoord3 : TEXCOORD3;
};

struct TEXTURE_OUTPUT
{
	float4 pos : POSITION;
	float2 texCoord0 : TEXCOORD0;
};

struct pixel
{
	float4 color : COLOR;
};

// Four taps from the far side in: 3, 2 and 1 steps away, then the centre.
GLOW_OUTPUT GlowTaps(GLOW_INPUT input, float2 step)
{
	GLOW_OUTPUT output;
	output.pos = mul(input.pos, texTrans);
	output.texCoord0 = input.texCoord + 3 * step;
	output.texCoord1 = input.texCoord + 2 * step;
	output.texCoord2 = input.texCoord + step;
	output.texCoord3 = input.texCoord;
	return output;
}

GLOW_OUTPUT glowVSHorizontal1(GLOW_INPUT input)
{
	return GlowTaps(input, float2(-pSize, 0));
}

GLOW_OUTPUT glowVSHorizontal2(GLOW_INPUT input)
{
	return GlowTaps(input, float2(pSize, 0));
}

GLOW_OUTPUT glowVSVertical1(GLOW_INPUT input)
{
	return GlowTaps(input, float2(0, -pSize));
}

GLOW_OUTPUT glowVSVertical2(GLOW_INPUT input)
{
	return GlowTaps(input, float2(0, pSize));
}

TEXTURE_OUTPUT outputGlowVS(GLOW_INPUT input)
{
	TEXTURE_OUTPUT output;
	output.pos = mul(input.pos, texTrans);
	output.texCoord0 = input.texCoord;
	return output;
}

// The weights add up to 1.05: every blur pass also brightens by 5 %.
pixel glowPS(GLOW_OUTPUT input)
{
	pixel output;
	output.color = 0.1 * tex2D(GlowSampler, input.texCoord0)
		+ 0.3 * tex2D(GlowSampler, input.texCoord1)
		+ 0.4 * tex2D(GlowSampler, input.texCoord2)
		+ 0.25 * tex2D(GlowSampler, input.texCoord3);
	output.color.a = 1.0;
	return output;
}

pixel outputGlowPS(TEXTURE_OUTPUT input)
{
	pixel output;
	output.color = tex2D(GlowSampler, input.texCoord0);
	return output;
}

technique T0
{
	pass P0 < string renderStage = "texture"; >
	{
		Sampler[0] = (GlowSampler);
		fvf = XYZ | Tex1;
		VertexShader = compile vs_1_1 glowVSHorizontal1();
		PixelShader = compile ps_1_1 glowPS();
	}

	pass P1 < string renderStage = "texture"; >
	{
		Sampler[0] = (GlowSampler);
		fvf = XYZ | Tex1;
		VertexShader = compile vs_1_1 glowVSHorizontal2();
		PixelShader = compile ps_1_1 glowPS();
	}

	pass P2 < string renderStage = "texture"; >
	{
		Sampler[0] = (GlowSampler);
		fvf = XYZ | Tex1;
		VertexShader = compile vs_1_1 glowVSVertical1();
		PixelShader = compile ps_1_1 glowPS();
	}

	pass P3 < string renderStage = "texture"; >
	{
		Sampler[0] = (GlowSampler);
		fvf = XYZ | Tex1;
		VertexShader = compile vs_1_1 glowVSVertical2();
		PixelShader = compile ps_1_1 glowPS();
	}

	pass P4 < string renderStage = "post"; >
	{
		Sampler[0] = (GlowSampler);
		fvf = XYZ | Tex1;
		AlphaBlendEnable = true;
		BlendOp = Max;
		SrcBlend = One;
		DestBlend = One;
		VertexShader = compile vs_1_1 outputGlowVS();
		PixelShader = compile ps_1_1 outputGlowPS();
	}
}
